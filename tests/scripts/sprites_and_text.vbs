' Transfers and text from script: a colour-keyed sprite pasted onto the back
' buffer, a translucent blend, and text in a font changed through the optional
' arguments' defaults. Prints markers for the test.
Option Explicit
Dim velk, x, y, ink, top, bottom
Set velk = CreateObject("VELK")
velk.wDefault "VbsSpritesText"
velk.SpriteState 1, 1
velk.SpriteResize 1, 20, 20
velk.DrawBox 0, 0, 20, 20, &HFF, 1, 1
velk.DrawBox 5, 5, 5, 5, &HFF00FF, 1, 1
velk.DSetColorKey &HFF00FF, 1
velk.DrawBox 0, 0, 640, 480, &HFF0000, 1
velk.SpritePaste 1, 0, 100, 100
WScript.Echo "pasted=" & velk.DGetPixel(100, 100)
WScript.Echo "see-through=" & velk.DGetPixel(107, 107)
velk.BltAlphaBlend 1, 0, 0, 4, 4, 0, 200, 200, 128
WScript.Echo "blend=" & velk.DGetPixel(201, 201)
velk.DSetTextFont 40
velk.DrawString 10, 300, "Text", 0, &HFFFFFF
ink = 0
top = -1
bottom = -1
For y = 295 To 360
    For x = 10 To 90
        If velk.DGetPixel(x, y) <> &HFF0000 Then
            ink = ink + 1
            If top < 0 Then top = y
            bottom = y
        End If
    Next
Next
WScript.Echo "ink=" & ink
WScript.Echo "ink-top=" & top
WScript.Echo "ink-rows=" & (bottom - top + 1)
velk.Refresh
velk.wDestroy
Set velk = Nothing
WScript.Echo "script-complete"
