' VELK from VBScript: a window, a drawing, a sprite from a file, a sound and a
' value kept in a data file, in a DoEvents loop. Run it with the 32-bit or the
' 64-bit cscript that matches the registered library, in the programs' folder:
'   cscript //nologo hello_velk.vbs
' It prints "hello_velk: done" when everything it checked came back as expected.
Option Explicit
Dim velk, frame, ended, runs, pixel, failures
Set velk = CreateObject("VELK")
velk.Logging
velk.wDefault "Hello from VBScript"

' A sprite from a BMP file; magenta is its colour key (note the trailing &:
' a four-digit hex literal would be a 16-bit integer).
velk.SpriteState 1, 1
velk.DSetColorKey &HFF00FF&, 1
velk.SpriteLoadFromFile 1, "assets\star.bmp"

' A sound effect on a static buffer.
velk.Snd_Open 2, "assets\catch.wav"
velk.Snd_Play 2

' A value in a data file, read back into a variable (passed by reference).
velk.fOpen "hello_velk"
velk.fWriteInteger "example", "answer", 4321
runs = 0
velk.fReadInteger "example", "answer", 0, runs

For frame = 0 To 59
    ended = velk.DoEvents
    If ended <> 0 Then Exit For
    velk.DrawBox 0, 0, 640, 480, &H402010&, 1
    velk.DrawCircle 320, 240, 60 + frame, 0, 360, &H00C0FF&, 1
    velk.Blt 1, 0, 0, 32, 32, 0, 100 + frame * 4, 100
    velk.DrawString 320, 400, "frame " & frame, 2, &HFFFFFF&
    velk.Refresh
Next

failures = ""
If runs <> 4321 Then failures = failures & " data file read back " & runs
pixel = velk.DGetPixel(320, 240)
If pixel <> &H00C0FF& Then failures = failures & " circle pixel " & Hex(pixel)
pixel = velk.DGetPixel(100 + 59 * 4 + 16, 116)
If pixel <> &H28DCFF& Then failures = failures & " sprite pixel " & Hex(pixel)
velk.wDestroy
Set velk = Nothing
If failures = "" Then
    WScript.Echo "hello_velk: done"
Else
    WScript.Echo "hello_velk: FAILED" & failures
End If
