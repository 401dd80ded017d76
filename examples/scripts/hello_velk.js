// VELK from JScript: a window, a drawing, a sprite from a file, a sound and a
// value kept in a data file, in a DoEvents loop. Run it with the cscript that
// matches the registered library, in the programs' folder:
//   cscript //nologo hello_velk.js
// It prints "hello_velk: done" when everything it checked came back as expected.
var velk = new ActiveXObject("VELK");
velk.Logging();
velk.wDefault("Hello from JScript");

// A sprite from a BMP file; magenta (0xFF00FF, as 0x00BBGGRR) is its colour key.
velk.SpriteState(1, 1);
velk.DSetColorKey(0xFF00FF, 1);
velk.SpriteLoadFromFile(1, "assets\\star.bmp");

// A sound effect on a static buffer.
velk.Snd_Open(2, "assets\\catch.wav");
velk.Snd_Play(2);

// A value in a data file. JScript cannot pass a variable by reference, so
// fReadInteger cannot hand the value back here; the file is a plain
// initialisation file in the user directory, and the script reads it itself.
velk.fOpen("hello_velk");
velk.fWriteInteger("example", "answer", 4321);
var answer = ReadDataFileValue("hello_velk", "answer");

for (var frame = 0; frame < 60; ++frame) {
    if (velk.DoEvents() != 0) break;
    velk.DrawBox(0, 0, 640, 480, 0x402010, 1);
    velk.DrawCircle(320, 240, 60 + frame, 0, 360, 0x00C0FF, 1);
    velk.Blt(1, 0, 0, 32, 32, 0, 100 + frame * 4, 100);
    velk.DrawString(320, 400, "frame " + frame, 2, 0xFFFFFF);
    velk.Refresh();
}

var failures = "";
if (answer != "4321") failures += " data file read back " + answer;
var pixel = velk.DGetPixel(320, 240);
if (pixel != 0x00C0FF) failures += " circle pixel " + pixel.toString(16);
pixel = velk.DGetPixel(100 + 59 * 4 + 16, 116);
if (pixel != 0x28DCFF) failures += " sprite pixel " + pixel.toString(16);
velk.wDestroy();
velk = null;
WScript.Echo(failures == "" ? "hello_velk: done" : "hello_velk: FAILED" + failures);

// The user directory is "VELKUserDir" in the user's local application-data
// folder, as the registry's shell folders name it; data files end in .VELKDat.
function ReadDataFileValue(name, key) {
    var shell = new ActiveXObject("WScript.Shell");
    var folder = shell.RegRead("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\Local AppData");
    var files = new ActiveXObject("Scripting.FileSystemObject");
    var file = files.OpenTextFile(folder + "\\VELKUserDir\\" + name + ".VELKDat", 1);
    var text = file.ReadAll();
    file.Close();
    var found = new RegExp("^" + key + "=(.*)$", "m").exec(text);
    return found ? found[1].replace(/\r$/, "") : "";
}
