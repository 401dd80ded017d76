' Reads IVELK2's input members late-bound, as a game script would; prints
' what the test looks for.
Option Explicit
Dim velk
Set velk = CreateObject("VELK")
velk.wDefault "input"
velk.DoEvents
WScript.Echo "keys=" & velk.KeyHit(65) & "," & velk.KeyReleased(65)
WScript.Echo "text=[" & velk.TextInput & "]"
velk.ClipboardText = "from a script"
WScript.Echo "clipboard=[" & velk.ClipboardText & "]"
WScript.Echo "pad=" & velk.PadConnected(0)
Set velk = Nothing
WScript.Echo "script-complete"
