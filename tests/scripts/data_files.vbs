' Keeps a score and a name in a data file and reads them back into script
' variables, which the script host passes by reference; prints markers that
' the test looks for.
Option Explicit
Dim velk, score, name, missing, missingName
Set velk = CreateObject("VELK")
velk.fOpen "script"
velk.fWriteInteger "game", "score", -42
velk.fWriteString "game", "name", "player one"

On Error Resume Next
score = 0
velk.fReadInteger "game", "SCORE", 7, score
WScript.Echo "score=" & score
name = ""
Call velk.fReadString("game", "name", "none", name)
WScript.Echo "name=" & name
velk.fReadInteger "game", "absent", 7, missing
velk.fReadString "game", "absent", "none", missingName
WScript.Echo "missing=" & missing & " " & missingName
' Literals and expressions are values, not variables: the calls still run.
velk.fReadInteger "game", "score", 0, 5
velk.fReadString "game", "name", "none", "literal" & name
WScript.Echo "literals-done"
WScript.Echo "error=" & Err.Number
On Error GoTo 0

Set velk = Nothing
WScript.Echo "script-complete"
