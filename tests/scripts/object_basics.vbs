' Creates the object by its program identifier, reads the version and switches
' the log on; prints markers that the test looks for.
Option Explicit
Dim velk, fso
Set velk = CreateObject("VELK")
WScript.Echo "version=" & velk.GetVELKVer()
velk.Logging
Set fso = CreateObject("Scripting.FileSystemObject")
WScript.Echo "log-exists=" & fso.FileExists("Log.txt")
Set velk = Nothing
WScript.Echo "script-complete"
