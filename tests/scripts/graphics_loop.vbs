' A host loop in script: draws into sprite 0 in modes 1 and 2, reads pixels
' back, presents frames, then ends the window. Prints markers for the test.
Option Explicit
Dim velk, frame, ended
Set velk = CreateObject("VELK")
velk.Logging
velk.wDefault "VbsGraphics"
WScript.Echo "fps=" & velk.SoftwareFPS
For frame = 0 To 9
    ended = velk.DoEvents()
    velk.DrawBox 0, 0, 640, 480, &H202020, 1
    velk.DrawBox frame * 10, 20, 30, 30, &HFF, 1
    velk.Refresh
Next
WScript.Echo "gdi-box=" & velk.DGetPixel(95, 25)
WScript.Echo "gdi-background=" & velk.DGetPixel(5, 5)
velk.SpriteState 2, 1
velk.DrawPolygon 100, 100, 50, 50, 4, 0, &HFF00&, 0, 2
WScript.Echo "vertex=" & velk.DGetPixel(150, 99, 2)
velk.Graphics 2
WScript.Echo "ddraw-cleared=" & velk.DGetPixel(5, 5)
WScript.Echo "sprite-kept=" & velk.DGetPixel(150, 99, 2)
velk.DrawCircle 320, 240, 40, 0, 360, &HFF0000, 1
velk.Refresh
WScript.Echo "ddraw-circle=" & velk.DGetPixel(320, 240)
velk.wDestroy
ended = velk.DoEvents()
Set velk = Nothing
WScript.Echo "script-complete"
