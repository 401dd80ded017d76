' Drives IVELK2's sound members late-bound, as a game script would; prints
' what the test looks for. The test writes level.wav (a short sound) into the
' directory the script runs in.
Option Explicit
Dim velk, voice, start
Set velk = CreateObject("VELK")
velk.wDefault "mixer"
velk.Snd_Open 2, "level.wav"
velk.Snd_SetVolume 2, 0.5
velk.Snd_SetPan 2, -0.25
velk.Snd_SetSpeed 2, 1.5
velk.MasterVolume = 0.75
WScript.Echo "levels=" & velk.Snd_GetVolume(2) & "," & velk.Snd_GetPan(2) & "," & velk.Snd_GetSpeed(2) & "," & velk.MasterVolume
voice = velk.Snd_PlayVoice(2, 1, 0, 1)
WScript.Echo "voice=" & voice & "," & velk.Snd_VoicePlaying(voice)
velk.Snd_StopVoice voice
WScript.Echo "stopped=" & velk.Snd_VoicePlaying(voice)
' A fade of no length ends at the library clock's next step.
velk.Snd_Fade 2, 0.25, 0, 0
start = velk.GetTick
Do While velk.Snd_GetVolume(2) <> 0.25 And velk.GetTick - start < 5000
    velk.DoEvents
Loop
WScript.Echo "faded=" & velk.Snd_GetVolume(2)
Set velk = Nothing
WScript.Echo "script-complete"

