' Opens the window, pumps messages, moves and resizes it, then ends the loop.
Option Explicit
Dim velk, i, running
Set velk = CreateObject("VELK")
velk.Logging
velk.wDefault "VbsWindow"
WScript.Echo "handle-nonzero=" & (velk.wGetHandle() <> 0)
For i = 1 To 5
    running = velk.DoEvents()
Next
WScript.Echo "running=" & running
velk.wMoveTo 20, 30
velk.wMoveBy 5, 5
velk.wResizeTo 500, 400
velk.wResizeable = 1
WScript.Echo "resizeable=" & velk.wResizeable
velk.wCaption = "VBScript"
velk.wDestroy
WScript.Echo "ended=" & velk.DoEvents()
Set velk = Nothing
WScript.Echo "script-complete"
