// The same as mixer.vbs from JScript: each buffer setting is a pair of
// methods, since JScript cannot assign to a property that takes an index.
// A fade of no length ends at the library clock's next step.
var velk = new ActiveXObject("VELK");
velk.wDefault("mixer");
velk.Snd_Open(2, "level.wav");
velk.Snd_SetVolume(2, 0.5);
velk.Snd_SetPan(2, -0.25);
velk.Snd_SetSpeed(2, 1.5);
velk.MasterVolume = 0.75;
WScript.Echo("levels=" + [velk.Snd_GetVolume(2), velk.Snd_GetPan(2), velk.Snd_GetSpeed(2), velk.MasterVolume].join(","));
var voice = velk.Snd_PlayVoice(2, 1, 0, 1);
WScript.Echo("voice=" + voice + "," + velk.Snd_VoicePlaying(voice));
velk.Snd_StopVoice(voice);
WScript.Echo("stopped=" + velk.Snd_VoicePlaying(voice));
velk.Snd_Fade(2, 0.25, 0, 0);
for (var start = velk.GetTick(); velk.Snd_GetVolume(2) != 0.25 && velk.GetTick() - start < 5000;)
    velk.DoEvents();
WScript.Echo("faded=" + velk.Snd_GetVolume(2));
velk = null;
WScript.Echo("script-complete");
