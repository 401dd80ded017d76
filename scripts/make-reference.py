#!/usr/bin/env python3
"""Writes docs/reference.md, the reference of every member of IVELK, of the
members IVELK2 adds and of the events of _IVELKEvents, from the type library description (resources/velk.idl: names, dispatch ids, parameters,
defaults, help strings) and the library's sources (the log texts each member
writes, resolved from src/core/texts.h). The one-line descriptions below are
the only hand-kept part; a member or event without one stops the script.
  make-reference.py            rewrite docs/reference.md
  make-reference.py --check    exit 1 (and say why) if the file is not current"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
IDL = os.path.join(ROOT, "resources", "velk.idl")
TEXTS = os.path.join(ROOT, "src", "core", "texts.h")
OUTPUT = os.path.join(ROOT, "docs", "reference.md")
MEMBER_COUNT = 124
SECOND_MEMBER_COUNT = 32

DESCRIPTIONS = {
    "wDefault": "Creates and shows the application window (640 × 480 client area), the program name being its title and class name, then sets graphics mode 1, 60 frames per second and sound mode 2 (falling back to 1); a second call only logs.",
    "Run": "Pumps the thread's messages until the window is destroyed, wDestroy is called or a quit message arrives, resizing the back buffer after client-size changes; all work then happens in event handlers.",
    "DoEvents": "Dispatches the messages waiting when called (and what handling them posts), at most one timer message per call, returning at once on an empty queue; resizes the back buffer after a client-size change; returns 1 once the window has ended (0 while it lives), taking the quit message of wDestroy so that no later box is closed by it.",
    "wGetHandle": "Returns the window handle as a 32-bit number (0 before wDefault).",
    "wResizeTo": "Sets the window's outer size; also shows the window and brings it to the top.",
    "wResizeBy": "Changes the window's outer size by the given differences (held at the ends of the integer range); also shows the window and brings it to the top.",
    "wMoveTo": "Moves the window's top-left corner to a screen position; also shows the window and brings it to the top.",
    "wMoveBy": "Moves the window by the given differences (held at the ends of the integer range); also shows the window and brings it to the top.",
    "wShowMessage": "Shows a message box with one OK button and a question-mark icon; returns when it is answered.",
    "wYesNoMessage": "Shows a Yes/No message box with an information icon; returns 1 for Yes, 0 for No.",
    "wCaption": "The window title (write only).",
    "wVisible": "Whether the window is shown.",
    "wEnable": "Whether the window accepts input.",
    "wHasMaxBtn": "Whether the title bar has a maximise button.",
    "wHasMinBtn": "Whether the title bar has a minimise button.",
    "wHasCloseBtn": "1 when the window has NO close button, despite the name: the no-close style bit of the window class (shared by the class's windows); putting 1 also greys the close item of the system menu, 0 enables it again.",
    "wHasTitleBar": "Whether the window has a title bar: reads 1 while either of its two style bits (thin border, dialog frame) is set; 0 clears both, non-zero sets both.",
    "wResizeable": "Whether the window has a sizing border.",
    "wRunTimer": "Starts (or restarts) the window timer with the interval in milliseconds; each tick calls the handler at the given address with 0 and fires OnTimer. Address 0 is accepted only while an event sink is connected (the ticks then go to OnTimer alone), otherwise it ends the process; before wDefault only the address is stored.",
    "GetTick": "Milliseconds since the object was created or since TickReset.",
    "OnActive": "Address of the handler called (with 0) when the window LOSES activation; the names read the other way round.",
    "OnDeActive": "Address of the handler called (with 0) when the window is ACTIVATED (and when it loses activation while minimised); the names read the other way round.",
    "OnKeyDown": "Address of the handler called with the virtual-key code of each key press, repeated while the key is held (not for Alt, F10 or keys pressed while Alt is held).",
    "OnKeyUp": "Address of the handler called with the virtual-key code of each key release (not for Alt, F10 or keys released while Alt is held).",
    "OnCommand": "Address of the handler called with each menu or control command: identifier in the low 16 bits, notification code in the high 16 bits.",
    "OnMouseDown": "Address of the handler called with the button (1 left, 2 right, 3 middle) when it is pressed in the client area (not for the second press of a double click).",
    "OnMouseUp": "Address of the handler called with the button (1 left, 2 right, 3 middle) when it is released in the client area.",
    "OnMouseWheel": "Address of the handler called when the mouse wheel turns, with the turn as an unsigned 16-bit number: 120 per notch away from the user, 65416 per notch towards the user.",
    "OnMove": "Address of the handler called (with 0) after the window has moved.",
    "OnMoving": "Address of the handler called with the address of the drag rectangle (screen coordinates; the handler may change it) while the window is being moved.",
    "OnSize": "Address of the handler called after the window has been resized, with 0 restored, 1 minimised or 2 maximised.",
    "OnSizing": "Address of the handler called with the address of the drag rectangle (screen coordinates; the handler may change it) while the window is being resized.",
    "wProcedure": "Address of a window procedure that replaces the library's own for every message of the window: while it is set no handler or event is called and the window's destruction does not mark it ended.",
    "wDestroy": "Posts a quit message (once in the object's life, however often it is called) and marks the window ended (the window stays open): Run returns and DoEvents returns 1 from then on.",
    "wHasBorder": "Whether the window has the thin-border style bit, which a title bar includes: it reads 1 while the title bar is there, and 0 leaves only the title bar's dialog frame.",
    "wToolWin": "Whether the window has the tool-window style.",
    "wTopMost": "Whether the window stays above all others: putting it also moves the window into (or out of) the topmost band at once.",
    "SoftwareFPS": "The frame rate Refresh paces to: the frame interval is 1000 / n whole milliseconds (60 reads back as 62); 0, -1 or more than 1000 set no limit, read back as -1 (other negative values pace nothing either).",
    "KeepFPS": "1 when the last Refresh came within the frame interval (and waited out the rest of it), 0 when it came late or no frame rate is set.",
    "Blt": "Copies w × h at a point of one sprite to a point of another, leaving out the source's colour key; both rectangles are clipped to their pictures.",
    "BltStretch": "Copies a rectangle of one sprite scaled onto a rectangle of another, leaving out the source's colour key; both are clipped to their pictures.",
    "BltAlphaBlend": "Blends w × h of one sprite over another: each channel becomes d + (s − d) × weight / 256 (0 keeps the target, 256 copies the source); no colour key applies.",
    "DrawBox": "Draws a w × h rectangle with a brush of the colour and the sprite's fill style: filled (Fills non-zero) or as a frame one unit wide; edges past the 32-bit range stop at its end.",
    "DrawPolygon": "Draws a regular polygon of Polygon corners on the ellipse of radii wr, hr around (x, y), the first corner at Rotate degrees (0 counts as 360), clockwise on screen; Fills non-zero flood-fills it from the centre; 0 or fewer corners draw nothing.",
    "DrawLine": "Draws a line between two points with the sprite's line style; the second point becomes the last point.",
    "DrawLineFromLP": "Draws a line from the last point to a new one, which becomes the last point.",
    "DSetLP": "Sets the last point for DrawLineFromLP.",
    "DrawPixel": "Sets one pixel to the colour.",
    "DGetPixel": "Returns the colour of one pixel, or -1 for a point outside the picture.",
    "DrawRoundBox": "Draws a w × h rectangle whose corners are rounded by ellipses Round wide and high (no larger than the box), filled (Fills non-zero) or as an outline; a box of any size finishes at once, clipped to the sprite.",
    "DrawCircle": "Draws a circle, an arc (Fills 0) or a pie slice (Fills non-zero) from StartR to EndR degrees, counter-clockwise from the right; equal angles draw nothing, whole turns a full circle.",
    "DrawEllipse": "Draws the arc of the ellipse of radii wr, hr from StartR to EndR degrees (counter-clockwise from the right, in one-degree chords; nothing when EndR < StartR); Close non-zero joins its ends to the centre.",
    "DrawFill": "Fills the area of the colour found at a point, around that point, with a brush of the colour and the sprite's fill style.",
    "DrawString": "Draws text in the colour on a transparent background, its top at y: starting at x (Align 0), ending at x (1) or centred on x (2); any other Align ends the process.",
    "DSetTextFont": "Sets a sprite's DrawString font: height, bold (weight 800 × Bold), italic, underline, strike-out and face name; 255 (for the face, \"default\") keeps a value as it is. Initially 18 high in ＭＳ Ｐゴシック. The font asks for the Japanese character set; a named face that has no Japanese characters (one added by DAddFont, say) is used all the same rather than passed over for another.",
    "DSetTextSpace": "Sets the extra space between characters of DrawString on a sprite, in logical units.",
    "Refresh": "Shows sprite 0 in the window (mode 3: on the screen), then waits out the rest of the frame interval since the previous Refresh and sets KeepFPS.",
    "SpriteState": "Creates (non-zero) a sprite 1 to 8 at the back buffer's size (1 × 1 before any graphics mode; an existing one stays as it is) or frees it (0).",
    "SpriteResize": "Sets the size of a sprite 0 to 8 (below 1 counts as 1), keeping the top-left of its picture and its colour key; new parts take the button-face colour.",
    "SpriteLoadFromFile": "Loads a BMP, JPEG or PNG file (the name as given, else in the user directory) into a sprite 1 to 8, which takes the picture's size and keeps its colour key; both loader modules must be present, and a missing or unreadable file ends the process.",
    "SpriteCopy": "Copies the whole of one sprite onto another at its top-left, leaving out the source's colour key.",
    "SpritePaste": "Copies the whole of one sprite onto another at a position, leaving out the source's colour key.",
    "SpriteView": "Opens the modal sprite viewer: a slider picks a sprite, shown with its number and size (a keyed sprite in mode 1 optionally through its mask); returns when it is closed.",
    "MouseX": "The pointer's X coordinate in the client area (screen coordinates before the window exists); putting it moves the pointer.",
    "MouseY": "The pointer's Y coordinate in the client area (screen coordinates before the window exists); putting it moves the pointer.",
    "InCheck": "1 while a key is held down now, 0 otherwise.",
    "InCheckPrev": "1 when the key was pressed since the previous read of its state (the low bit of the asynchronous key state), 0 otherwise.",
    "fClear": "Empties the current data file; without one (no fOpen yet) it ends the process.",
    "fWriteString": "Writes a text value under a category and key of the current data file; a failed write, or no fOpen yet, ends the process.",
    "fWriteInteger": "Writes a number as decimal text under a category and key of the current data file; a failed write, or no fOpen yet, ends the process.",
    "fReadString": "Reads a text value (at most 255 bytes, cut at a whole character) into the caller's variable, or the default when it is absent or no fOpen came yet.",
    "fReadInteger": "Reads a number into the caller's variable, or the default when it is absent or no fOpen came yet.",
    "fOpen": "Selects the current data file for the whole process: NAME.VELKDat in the user directory (VELKUserDir in the local application-data folder), created when absent; a name that cannot be used ends the process.",
    "DSetFillStyle": "Sets the fill of a sprite's shapes: -1 solid (the initial one), 0 to 5 a hatch pattern.",
    "DSetLineStyle": "Sets the pen style of a sprite's lines and outlines: 0 solid (the initial one), 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none.",
    "Graphics": "Selects the graphics mode: 1 GDI, 2 windowed DirectDraw, 3 full-screen DirectDraw at 640 × 480 in 16-bit colour, without a title bar (2 and 3 fall back to 1); sprites keep their pictures and sprite 0 is cleared to black.",
    "OnMCIFailure": "Address of the handler called (with 0) when an MCI command sent with notify reports failure.",
    "OnMCISuccess": "Address of the handler called (with 0) when an MCI command sent with notify completes successfully.",
    "OnSurfaceLost": "Address of the handler called with the word parameter when message 0x0401 reaches the window; the library never posts that message itself: the host or another party does.",
    "DSetColorKey": "Sets the colour a sprite 1 to 8 leaves out when Blt, BltStretch, SpriteCopy or SpritePaste copy it; set again, what was transparent stays so; -1 changes nothing.",
    "DSetRasterOP": "Sets the mix mode (1 to 16; 13, the initial one, copies) of a sprite's pens and shape brushes.",
    "DSetMapMode": "Sets the mapping mode of a sprite (1, the initial one, is pixels); drawing and transfers then take its logical units.",
    "DSetOrigin": "Sets the logical point that lands on the sprite's top-left pixel (its window origin).",
    "Sound": "Selects the sound mode: 1 waveOut (one buffer, which every id names), 2 DirectSound (buffers 1 to 8), falling back to 1; a change frees every buffer, and a sound member called before any choice puts mode 1 in force.",
    "Snd_Open": "Opens a WAV or Ogg Vorbis file (the name as given, else in the user directory) into a buffer, stopping what it played; in mode 2 buffer 1 streams and 2 to 8 hold the whole sound; a missing or unknown file ends the process.",
    "Snd_Play": "Plays a buffer from its first sample, once (it still loops when Snd_LoopPlay set it looping and no Snd_Stop or Snd_Open came since); ShowDialog non-zero shows a progress dialog during the first fill; a buffer without a file ends the process.",
    "Snd_LoopPlay": "Plays a buffer in a loop: after the first pass the file's loop section repeats (LOOPSTART/LOOPLENGTH comments or a WAV smpl loop), else the whole sound; optionally with a progress dialog.",
    "Snd_Stop": "Stops a buffer and ends its loop; the file stays open for the next Snd_Play.",
    "Download": "Downloads a URL into a file of the user directory with a progress window; the file is replaced only by a complete body; an HTTP error status, a failed or stalled (30 s) read or a short body ends the process; if the window ends meanwhile the call stops quietly and the old file stays.",
    "Logging": "Starts writing the log file Log.txt in the current directory (creating the object deletes an old one) and writes its banner.",
    "Snd_Pause": "Pauses (Play 0) or resumes (non-zero) a buffer.",
    "Snd_GetData": "Returns the byte just after the play position as a signed number (-128 to 127; for 16-bit sound the high byte of a sample), 0 while the buffer holds no filled playback data.",
    "TickReset": "Sets the tick count back to 0.",
    "GetVELKVer": "Returns the library's version number, 1.",
    "mci": "Sends the MCI command `CMDStr \"FilePath\" Optional` with the window as the receiver of notifications; an error MCI reports ends the process; a command with notify later calls OnMCISuccess or OnMCIFailure.",
}

EVENT_COUNT = 21

EVENT_DESCRIPTIONS = {
    "OnActive": "The window LOST activation (the same inverted pairing as the handler slots); always 0.",
    "OnDeActive": "The window was ACTIVATED, or lost activation while minimised; always 0.",
    "OnKeyDown": "A key was pressed (repeats while it is held; not Alt, F10 or keys pressed while Alt is held); the virtual-key code.",
    "OnKeyUp": "A key was released (not Alt, F10 or keys released while Alt is held); the virtual-key code.",
    "OnCommand": "A menu or control command: identifier in the low 16 bits, notification code in the high 16 bits.",
    "OnMouseDown": "A mouse button was pressed in the client area (not the second press of a double click): 1 left, 2 right, 3 middle.",
    "OnMouseUp": "A mouse button was released in the client area: 1 left, 2 right, 3 middle.",
    "OnMouseWheel": "The wheel turned: 120 per notch away from the user, 65416 per notch towards the user.",
    "OnMove": "The window has moved; always 0.",
    "OnMoving": "The window is being dragged: the drag rectangle in screen coordinates, which the sink may change.",
    "OnSize": "The window has been resized: 0 restored, 1 minimised, 2 maximised.",
    "OnSizing": "The window's frame is being dragged: the drag rectangle in screen coordinates, which the sink may change.",
    "OnMCIFailure": "An MCI command sent with notify failed; always 0.",
    "OnMCISuccess": "An MCI command sent with notify completed; always 0.",
    "OnSurfaceLost": "Message 0x0401 reached the window (the library never posts it; the host or another party does); its word parameter.",
    "OnTimer": "A tick of the timer started by wRunTimer; always 0.",
    "OnSoundEnded": "A non-looping play of the buffer reached its end by itself (not raised for Snd_Stop, a fade's stop or a new play); in mode 1 with the ID the channel last played for. Raised through the window's message loop.",
    "OnSoundFaded": "A fade of Snd_Fade completed (after the stop it asked for); in mode 1 with the ID given to Snd_Fade. Raised through the window's message loop.",
    "OnPadConnected": "A gamepad (Index 0 to 3) was connected; noticed while Run or DoEvents pump messages once gamepads are in use (a pad member was called or a sink is connected), at most a quarter of a second late. A pad already present when first looked at is announced too.",
    "OnPadDisconnected": "A gamepad (Index 0 to 3) was disconnected; noticed as OnPadConnected is.",
    "OnDropFiles": "Files were dropped onto the window (wAcceptFiles 1); Count is how many. Their paths wait in DroppedFiles.",
}

SECOND_DESCRIPTIONS = {
    "Snd_SetVolume": "Sets the buffer's volume as an amplitude gain from 0.0 (silent) to 1.0 (as recorded; 0.5 is half the amplitude, about -6 dB), for what it plays now and later; ends a fade under way. In mode 1 it is the one channel's.",
    "Snd_GetVolume": "The buffer's own volume (not times MasterVolume); during a fade where the fade is now, afterwards its target.",
    "Snd_SetPan": "Sets the balance from -1.0 (left only) through 0 (both channels at full) to 1.0 (right only): a positive pan p scales the left channel by 1 - p, a negative one the right by 1 + p. In mode 1 it applies to stereo sounds; a mono sound plays centred there.",
    "Snd_GetPan": "The buffer's balance.",
    "Snd_SetSpeed": "Sets the playback rate from 0.25 to 4.0 (the pitch follows; the rate is held to 100 to 200000 samples a second). Mode 2 applies it at once; mode 1's channel opens at it with its next play.",
    "Snd_GetSpeed": "The buffer's playback rate.",
    "MasterVolume": "A gain from 0.0 to 1.0 that multiplies every buffer's and voice's volume (the system's mixer and the primary buffer are left alone); kept across sound modes.",
    "Snd_Fade": "Ramps the buffer's volume linearly from where it is to ToVolume over Milliseconds (0 to 3600000) on the library's own clock, then stops the buffer when StopAtEnd is non-zero and raises OnSoundFaded. A new fade or Snd_SetVolume replaces it; Snd_Stop and Snd_Open end it at its target. The stop and the event wait for the window's message loop (a sound member called meanwhile also makes the stop).",
    "Snd_PlayVoice": "Plays the whole sound of a static buffer (2 to 8) once more, beside the buffer and its other voices, at its own volume, pan and speed, and returns the voice's number: positive and never reused while the object lives. 32 voices play at once; a 33rd stops the oldest. Snd_Stop of the buffer and a new Snd_Open stop its voices. In mode 1 the voice plays on the one channel as Snd_Play does, until the next play. While the buffer loops a section from its ring no voice is made (0 is returned and a log line written).",
    "Snd_StopVoice": "Stops the voice; a finished or never-given number does nothing.",
    "Snd_VoicePlaying": "1 while the voice plays, 0 when it has ended, was stopped or was never given.",
    "SpriteSaveToFile": "Writes the sprite's picture (0 to 8; 0 is the back buffer, a screenshot) as a PNG or BMP file, chosen by the name's extension (.png or .bmp, any case), through the platform's image codecs: 24-bit, or a 32-bit PNG with the sprite's alpha when it keeps one (SpriteSetAlpha). The name is used as given (relative to the current directory). The file is written beside the target and replaces it only once complete: a failed save ends the process and leaves an existing file as it was. A GDI sprite is saved without its mask rows (a colour-keyed sprite's transparent pixels are black in the file).",
    "SpriteSetAlpha": "With 1 the sprite (1 to 8) keeps an alpha value for every pixel: a picture loaded into it keeps its file's alpha (a PNG with alpha or a palette with transparency, a 32-bit BMP with an alpha mask), one without alpha is opaque, and the drawing members write opaque pixels. Every transfer from it (Blt, BltStretch, SpritePaste, SpriteCopy, BltAlphaBlend, BltRotate) then composites source-over with straight alpha: with source alpha a (0 to 255) each channel becomes round((s × a + d × (255 − a)) / 255); onto a sprite that keeps alpha too, with destination alpha b, the weight is D = 255 × a + b × (255 − a), each channel becomes round((s × a × 255 + d × b × (255 − a)) / D) and the alpha round(D / 255) (a fully transparent result is 0). BltAlphaBlend's weight w (0 to 256) multiplies first: a becomes (a × w + 128) / 256, rounded down. A colour key set on the sprite still makes its pixels transparent. The same results in every graphics mode and on both architectures. 0 (the default) is the plain sprite of before; the setting belongs to the slot: it survives loads and resizes, and SpriteState 0 returns it to 0. Turning it off makes every pixel opaque. Setting the value it already has changes nothing; a picture whose alpha is 0 everywhere counts as one without alpha (opaque). BltStretch from or onto such a sprite takes the nearest pixel.",
    "SpriteGetAlpha": "1 when the sprite (1 to 8) keeps per-pixel alpha, else 0.",
    "BltRotate": "Draws the source rectangle (w × h at FromX, FromY) turned by Angle degrees clockwise on the screen and scaled by ScaleX and ScaleY (a negative scale mirrors; 0, or a magnitude below 2^-20, draws nothing), its centre landing on (ToX, ToY) of the destination; the origins of both sprites apply as for Blt. Nearest pixel: each destination pixel takes the source pixel under its centre mapped back through the inverse transform, computed in fixed point so that every graphics mode and both architectures draw the same pixels; turns by multiples of 90 degrees and mirrors are exact pixel permutations, whole-number scales exact pixel replications. The source's colour key and alpha apply as for Blt; only pixels inside both sprites are read and written, and a sprite turned onto itself reads its original pixels. A w or h of 0 or less draws nothing. Scales are limited to ±1024 and Angle to ±1e9 degrees; NaN, infinities and values beyond end the process through the error path.",
    "wScale": "Fixes the back buffer (sprite 0) at Width × Height (1 to 4096 each), which then no longer follows the client size (a change of graphics mode keeps it too), and presents it at each Refresh scaled to the client area (in mode 3, the screen): Mode 1 stretched to fill it, 2 stretched keeping its aspect ratio with black bars, 3 at the largest whole multiple that fits (at least 1; a buffer larger than the area is shown at 1x, centred and cut), centred on black. Always nearest pixel, never smoothed. While scaling, MouseX and MouseY (read and set) are in back-buffer units, a pointer over a black bar reading as the nearest edge. wScale 0, 0, 0 returns at once to a back buffer that follows the client size; any other combination ends the process through the error path. In every graphics mode.",
    "wFullScreen": "1 makes the window a borderless window covering the whole monitor it is on, without changing the display mode; 0 gives it back its style, position and size (and maximized state) from before. While it is on, wMoveTo, wMoveBy, wResizeTo, wResizeBy and the frame properties shape the window that comes back. Graphics modes 1 and 2 (in mode 3 the window is exclusive full screen already and the property only reads 1; switching to mode 3 gives the window back first). Values other than 0 and 1 end the process through the error path. With wScale mode 3 this is crisp full-screen pixel art.",
    "DAddFont": "Makes the fonts of a TrueType or OpenType file usable by DSetTextFont for this process only (nothing is installed for the system); they are removed again when the object goes. A relative name is taken as SpriteLoadFromFile takes it. A file the platform refuses ends the process through the error path.",
    "KeyHit": "How many times the key (a virtual-key code 1 to 254, mouse buttons included) went down since the previous KeyHit of the same key, counted from the window's key and button messages as they arrive, so that no tap is lost however short: auto-repeat is not counted, a double-click's second press is. Counts stop at 255. The window's messages must be pumped (Run or DoEvents).",
    "KeyReleased": "How many times the key went up since the previous KeyReleased of the same key, counted as KeyHit counts presses.",
    "TextInput": "The text typed into the window since the previous read, in UTF-16 as the platform delivers it (input-method results and characters outside the basic plane included), backspace as U+0008 and Enter as U+000D; at most the last 1024 characters are kept.",
    "PadConnected": "1 when a gamepad is connected at Index (0 to 3), else 0. Gamepads come through the platform's XInput, loaded when first needed (the newest module present first); no module or no pad means no pads, never an error.",
    "PadButtons": "The gamepad's button bits, as the platform gives them (0 without a pad).",
    "PadAxis": "An axis of the gamepad: 0 left x, 1 left y, 2 right x, 3 right y, each -1.0 to 1.0 with up and right positive and the platform's recommended dead zones applied (the range outside the dead zone rescaled to the whole range); 4 left trigger and 5 right trigger, 0.0 to 1.0 past the trigger threshold. 0 without a pad.",
    "PadRumble": "Sets the speed of the gamepad's two motors (Low the left, low-frequency one; High the right), 0.0 to 1.0; without a pad nothing happens.",
    "wAcceptFiles": "1 lets the user drop files onto the window (its accept-files style); 0 refuses them again.",
    "DroppedFiles": "The full paths of the files dropped since the previous read, in Unicode, CR LF between them and none after the last; empty when none.",
    "ClipboardText": "The clipboard's Unicode text (empty when it holds none); a put replaces the clipboard's contents with the text.",
}

TYPE_NAMES = {"long": "long", "short": "short", "BSTR": "string", "HOST_ADDRESS": "address", "double": "double"}


def parse_idl(interface="IVELK"):
    text = open(IDL, encoding="utf-8").read()
    start = re.search(r"interface " + interface + r"\s*:", text).start()
    body = text[start:text.index("};", start)]
    entries = []
    for attrs, name, params in re.findall(r"\[([^\]]*)\]\s*HRESULT\s+(\w+)\s*\(([^;]*)\);", body):
        dispid = int(re.search(r"id\((\d+)\)", attrs).group(1))
        helpstring = re.search(r'helpstring\("([^"]*)"\)', attrs).group(1)
        kind = "get" if "propget" in attrs else "put" if "propput" in attrs else "method"
        parameters = []
        for flags, ptype, pname in re.findall(r"(?:\[([^\]]*)\]\s*)?(\w+\s*\**)\s*(\w+)\s*(?:,|$)", params.strip()):
            flags = flags or "in"
            default = re.search(r"defaultvalue\(([^)]*)\)", flags)
            parameters.append({
                "name": pname, "type": ptype.replace(" ", ""),
                "direction": "retval" if "retval" in flags else "in, out" if "out" in flags else "in",
                "default": default.group(1) if default else None})
        entries.append({"name": name, "dispid": dispid, "help": helpstring, "kind": kind, "params": parameters})
    return entries


def parse_events():
    text = open(IDL, encoding="utf-8").read()
    body = text[text.index("dispinterface _IVELKEvents"):]
    body = body[:body.index("};")]
    events = []
    for attrs, name, params in re.findall(r"\[([^\]]*)\]\s*void\s+(\w+)\s*\(([^;]*)\);", body):
        shown = []
        for flags, ptype, pname in re.findall(r"\[([^\]]*)\]\s*(\w+\s*\**)\s*(\w+)", params):
            shown.append(f"{'ByRef ' if 'out' in flags else ''}{pname} As {ptype.rstrip('* ')}")
        events.append({"name": name, "dispid": int(re.search(r"id\((\d+)\)", attrs).group(1)),
                       "params": ", ".join(shown)})
    return events


def parse_texts():
    texts = {}
    source = open(TEXTS, encoding="utf-8").read()
    for name, value in re.findall(r"constexpr char (k\w+)\[\]\s*=\s*(.*?);", source, re.S):
        # The handle shape: a lower-case hex conversion as wide as a pointer.
        value = re.sub(r"\bVELK_HEX\b", '"%x"', value)
        texts[name] = "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', value))
    return texts


def function_bodies():
    """Every function defined in src/: name -> the texts of its bodies."""
    bodies = {}
    for folder, _, files in os.walk(os.path.join(ROOT, "src")):
        for file in files:
            if not file.endswith(".cpp") or file == "log.cpp":
                continue
            source = open(os.path.join(folder, file), encoding="utf-8").read()
            for match in re.finditer(r"^[A-Za-z][^;{}()]*?\b(\w+)\([^;{}]*\)\s*(?:const\s*)?\{", source, re.M):
                depth, end = 0, match.end() - 1
                for end in range(match.end() - 1, len(source)):
                    depth += {"{": 1, "}": -1}.get(source[end], 0)
                    if depth == 0:
                        break
                bodies.setdefault(match.group(1), []).append(source[match.end():end])
    return bodies


def split_arguments(call):
    parts, depth, current = [], 0, ""
    for ch in call:
        if ch in "([":
            depth += 1
        elif ch in ")]":
            depth -= 1
        if ch == "," and depth == 0:
            parts.append(current.strip())
            current = ""
        else:
            current += ch
    parts.append(current.strip())
    return parts


def log_lines(body, texts):
    """The lines a body writes: each shape with the texts it is given filled in."""
    lines = []
    for call in re.findall(r"\b(?:LogWrite|FatalError|FatalSystemError)\((.*?)\);", body, re.S):
        args = split_arguments(call)[1:]
        names = [re.search(r"texts::(k\w+)", a) for a in args]
        if not names or not names[0] or names[0].group(1) not in texts:
            continue
        shape, rest = texts[names[0].group(1)], names[1:]

        def fill(conversion):
            if not rest:
                return conversion.group(0)
            arg = rest.pop(0)
            if conversion.group(0) == "%s" and arg and arg.group(1) in texts:
                return texts[arg.group(1)]
            return conversion.group(0)
        line = re.sub(r"%[-0-9.]*[sdxX]", fill, shape)
        if line not in lines:
            lines.append(line)
    return lines


def member_logs(name, kind, bodies, member_names, texts):
    own = {"get": "get_" + name, "put": "put_" + name}.get(kind, name)
    lines = []
    for body in bodies.get(own, []):
        lines += log_lines(body, texts)
        # One level down: the helpers (and other members) it calls log for it too.
        for callee in dict.fromkeys(re.findall(r"\b(\w+)\(", body)):
            if callee == own or callee not in bodies:
                continue
            for inner in bodies[callee]:
                lines += [line for line in log_lines(inner, texts) if line not in lines]
    return list(dict.fromkeys(lines))


def code(text):
    return "`` " + text.replace("\n", "\\n") + " ``" if "`" in text else "`" + text + "`"


def member_rows(entries, names, descriptions, out):
    """Appends the table rows of the members; returns their entries by name."""
    by_name = {}
    for e in entries:
        by_name.setdefault(e["name"], []).append(e)
    for name in names:
        kinds = "/".join(e["kind"] for e in by_name[name])
        kinds = {"method": "method", "get/put": "property", "get": "read-only property",
                 "put": "write-only property"}.get(kinds, kinds)
        out.append(f"| [`{name}`](#{name.lower()}) | {by_name[name][0]['dispid']} | {kinds} | {descriptions[name]} |")
    return by_name


def member_details(by_name, names, descriptions, bodies, texts, out):
    """Appends a section for each member: its calls, in/out parameters and log lines."""
    for name in names:
        out += ["", f"## {name}", "", f"Dispatch id {by_name[name][0]['dispid']}. {descriptions[name]}", "",
                f"Help string: {by_name[name][0]['help']}", ""]
        for e in by_name[name]:
            shown = ", ".join(
                f"{p['name']} As {TYPE_NAMES.get(p['type'].rstrip('*'), p['type'])}"
                + (f" = {p['default']}" if p["default"] is not None else "")
                for p in e["params"] if p["direction"] != "retval")
            result = [p for p in e["params"] if p["direction"] == "retval"]
            label = {"get": "get", "put": "put", "method": "call"}[e["kind"]]
            returns = f" → {TYPE_NAMES.get(result[0]['type'].rstrip('*'), result[0]['type'])}" if result else ""
            out.append(f"- {label}: `{name}({shown}){returns}`")
            for p in e["params"]:
                if p["direction"] == "in, out":
                    out.append(f"  - `{p['name']}` is in/out: pass a variable; it receives the value read"
                               " (JScript cannot pass variables by reference).")
            logs = member_logs(name, e["kind"], bodies, names, texts)
            if logs:
                out.append("  - logs: " + "; ".join(code(line) for line in logs))


def checked_names(entries, interface, count, descriptions):
    """The member names of an interface, once each; stops when the count or a description is off."""
    if len(entries) != count:
        sys.exit(f"make-reference: {interface} has {len(entries)} members, expected {count}")
    names = list(dict.fromkeys(e["name"] for e in entries))
    missing = [n for n in names if n not in descriptions]
    if missing:
        sys.exit("make-reference: no description for " + ", ".join(missing))
    return names


def render():
    entries = parse_idl()
    names = checked_names(entries, "IVELK", MEMBER_COUNT, DESCRIPTIONS)
    texts, bodies = parse_texts(), function_bodies()
    out = [
        "# IVELK reference",
        "",
        "<!-- Generated by scripts/make-reference.py from resources/velk.idl and src/; do not edit. -->",
        "",
        f"All {MEMBER_COUNT} members of the interface `IVELK` ({len(names)} names: a property's get and put",
        "accessors are two members with one dispatch id). Every member returns status 0; a detected error",
        "ends the process through the fatal path (message box, log line, exit code 1) instead.",
        "",
        "Types: `long` is a 32-bit integer; `string` an automation string (converted to the ANSI code",
        "page, CP932 on Japanese systems); `address` a host function address: `long` in the 32-bit",
        "library, `LONGLONG` (`LongPtr` in VBA7) in the 64-bit one. Colours are `0x00BBGGRR`. Sprite ids",
        "are 0 to 8 (0 is the back buffer); sound buffer ids 1 to 8 (in sound mode 1 every id names the",
        "one buffer). Optional parameters show their default and may be left out by automation callers.",
        "",
        "The handler slots (the `On…` properties, `wProcedure` and the address of `wRunTimer`) belong to",
        "the process: a new object finds them as the last one left them, and they are called for every",
        "window the library made, an earlier object's included.",
        "",
        "Log lines are written to `Log.txt` only after `Logging`. They are listed as the member's",
        "source writes them (its own lines and those of the helpers it calls directly), with `%s`/`%d`/`%x`",
        "standing for the values of the call (`%x` in lower-case hexadecimal); `\\t` is a tab. The library",
        "writes them in CP932. Members that take a sprite id check it first (its range, then, where the",
        "sprite must exist, that it is not empty) and end with the ID errors when it is wrong; sound",
        "members check a buffer id's range in mode 2, and Snd_Play that the buffer has a file.",
        "",
        "| member | id | kind | what it does |",
        "|---|---|---|---|",
    ]
    by_name = member_rows(entries, names, DESCRIPTIONS, out)
    events = parse_events()
    if len(events) != EVENT_COUNT:
        sys.exit(f"make-reference: the events interface has {len(events)} events, expected {EVENT_COUNT}")
    missing = [e["name"] for e in events if e["name"] not in EVENT_DESCRIPTIONS]
    if missing:
        sys.exit("make-reference: no description for the event " + ", ".join(missing))
    out += [
        "",
        "## Events",
        "",
        "The class's default source interface `_IVELKEvents` (a dispinterface) carries one event per",
        "handler slot, named like it, plus `OnTimer` and the sound events of IVELK2. Sinks connect through the object's connection",
        "point (`WithEvents`, `WScript.ConnectObject`, `DispatchWithEvents`, `+=`; see the README) and are",
        "called on the host's thread, in the order they connected, right after the slot's handler (also",
        "when the slot is empty). While a sink is connected, `wRunTimer` accepts 0 as `Event`: the",
        "ticks then go to `OnTimer` alone. What a sink returns is ignored.",
        "",
        "| event | id | parameters | when |",
        "|---|---|---|---|",
    ]
    for e in events:
        out.append(f"| `{e['name']}` | {e['dispid']} | `{e['params']}` | {EVENT_DESCRIPTIONS[e['name']]} |")
    member_details(by_name, names, DESCRIPTIONS, bodies, texts, out)
    second = parse_idl("IVELK2")
    second_names = checked_names(second, "IVELK2", SECOND_MEMBER_COUNT, SECOND_DESCRIPTIONS)
    out += [
        "",
        "# IVELK2: the members added after IVELK",
        "",
        "`IVELK2` derives from `IVELK`: the object's default interface, so late-bound callers see every",
        "member above and these; `IVELK` keeps its slots and ids, and a query for it returns the same",
        "object. `VELKCreate` hands out `IVELK`: C and C++ hosts query it for `IVELK2`. Continuous values",
        "are `double`; a value out of its range, NaN or an infinity ends the process through the fatal",
        "path with `[ Error ] Typ:Param` and the range. In sound mode 2 everything is DirectSound's own",
        "mixing (voices are duplicates sharing the sound's data); mode 1 has one channel, so every buffer",
        "id names the same volume, pan, speed and fade, and a voice plays on that channel. The graphics",
        "members follow the sound ones, from dispatch id 301.",
        "",
        "| member | id | kind | what it does |",
        "|---|---|---|---|",
    ]
    second_by_name = member_rows(second, second_names, SECOND_DESCRIPTIONS, out)
    member_details(second_by_name, second_names, SECOND_DESCRIPTIONS, bodies, texts, out)
    return "\n".join(out) + "\n"


def main():
    text = render()
    if "--check" in sys.argv[1:]:
        current = open(OUTPUT, encoding="utf-8").read() if os.path.exists(OUTPUT) else ""
        if current != text:
            print("docs/reference.md is not current: run python3 scripts/make-reference.py")
            return 1
        print("docs/reference.md is current")
        return 0
    os.makedirs(os.path.dirname(OUTPUT), exist_ok=True)
    open(OUTPUT, "w", encoding="utf-8").write(text)
    print(f"make-reference: wrote {os.path.relpath(OUTPUT, ROOT)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
