#!/usr/bin/env python3
"""Writes docs/reference.md, the reference of every member of IVELK and of the
events of _IVELKEvents, from the type library description (resources/velk.idl: names, dispatch ids, parameters,
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

DESCRIPTIONS = {
    "wDefault": "Creates the application window (640 × 480 client area) with the program name as its title, then sets graphics mode 1, 60 frames per second and sound mode 2 (falling back to 1).",
    "Run": "Pumps the window's messages until the window ends; all work then happens in event handlers.",
    "DoEvents": "Dispatches the messages waiting when called (and what handling them posts) with at most one timer message, resizes the back buffer after a client-size change, and returns 1 once the window has ended (0 while it lives).",
    "wGetHandle": "Returns the window handle.",
    "wResizeTo": "Sets the window's outer size.",
    "wResizeBy": "Changes the window's outer size by the given differences.",
    "wMoveTo": "Moves the window to a screen position.",
    "wMoveBy": "Moves the window by the given differences.",
    "wShowMessage": "Shows a message box with one OK button.",
    "wYesNoMessage": "Shows a Yes/No message box; returns 1 for Yes, 0 for No.",
    "wCaption": "The window title (write only).",
    "wVisible": "Whether the window is shown.",
    "wEnable": "Whether the window accepts input.",
    "wHasMaxBtn": "Whether the title bar has a maximise button.",
    "wHasMinBtn": "Whether the title bar has a minimise button.",
    "wHasCloseBtn": "Whether the title bar has a close button.",
    "wHasTitleBar": "Whether the window has a title bar.",
    "wResizeable": "Whether the window has a sizing border.",
    "wRunTimer": "Starts the window timer with the interval in milliseconds; each tick calls the handler at the given address and fires OnTimer. While an event sink is connected the address may be 0: the ticks then go to OnTimer alone.",
    "GetTick": "Milliseconds since the object was created or since TickReset.",
    "OnActive": "Address of the handler called when the window becomes active.",
    "OnDeActive": "Address of the handler called when the window becomes inactive.",
    "OnKeyDown": "Address of the handler called with the virtual-key code of each key press.",
    "OnKeyUp": "Address of the handler called with the virtual-key code of each key release.",
    "OnCommand": "Address of the handler called with the identifier of each menu or control command.",
    "OnMouseDown": "Address of the handler called when a mouse button is pressed in the client area.",
    "OnMouseUp": "Address of the handler called when a mouse button is released in the client area.",
    "OnMouseWheel": "Address of the handler called when the mouse wheel turns.",
    "OnMove": "Address of the handler called after the window has moved.",
    "OnMoving": "Address of the handler called while the window is being moved (with the drag rectangle).",
    "OnSize": "Address of the handler called after the window has been resized.",
    "OnSizing": "Address of the handler called while the window is being resized (with the drag rectangle).",
    "wProcedure": "Address of a window procedure that replaces the library's own.",
    "wDestroy": "Ends the message loop: Run returns and DoEvents reports the end.",
    "wHasBorder": "Whether the window has a thin border.",
    "wToolWin": "Whether the window has the tool-window style.",
    "wTopMost": "Whether the window stays above all others.",
    "SoftwareFPS": "The frame rate Refresh paces to, in frames per second.",
    "KeepFPS": "Whether the last Refresh came in time for the frame rate (1) or late (0).",
    "Blt": "Copies a rectangle from one sprite to another, leaving out the source's colour key.",
    "BltStretch": "Copies a rectangle from one sprite to another, scaled to the target rectangle.",
    "BltAlphaBlend": "Blends a rectangle of one sprite over another; the weight is in 256ths of the source.",
    "DrawBox": "Draws a rectangle, filled or as an outline.",
    "DrawPolygon": "Draws a regular polygon with the given number of corners, radii and rotation.",
    "DrawLine": "Draws a line between two points.",
    "DrawLineFromLP": "Draws a line from the last point to a new one, which becomes the last point.",
    "DSetLP": "Sets the last point for DrawLineFromLP.",
    "DrawPixel": "Sets one pixel.",
    "DGetPixel": "Returns the colour of one pixel.",
    "DrawRoundBox": "Draws a rectangle with rounded corners.",
    "DrawCircle": "Draws a circle, an arc or a pie slice between two angles in degrees.",
    "DrawEllipse": "Draws an elliptic arc between two angles, optionally closed.",
    "DrawFill": "Flood-fills the area around a point.",
    "DrawString": "Draws text at a point: aligned left (0), right (1) or centred (2).",
    "DSetTextFont": "Sets the font of DrawString for a sprite; 255 keeps a value as it is.",
    "DSetTextSpace": "Sets the extra space between characters of DrawString.",
    "Refresh": "Shows sprite 0 in the window (or on the screen) and waits out the rest of the frame interval.",
    "SpriteState": "Creates (non-zero) or frees (0) a sprite.",
    "SpriteResize": "Sets a sprite's size.",
    "SpriteLoadFromFile": "Loads a BMP, JPEG or PNG file into a sprite, which takes the picture's size.",
    "SpriteCopy": "Copies the whole of one sprite into another.",
    "SpritePaste": "Copies the whole of one sprite into another at a position.",
    "SpriteView": "Opens the sprite viewer dialog.",
    "MouseX": "The pointer's X coordinate in the client area.",
    "MouseY": "The pointer's Y coordinate in the client area.",
    "InCheck": "Whether a key is held down now.",
    "InCheckPrev": "Whether a key has been pressed since the previous query.",
    "fClear": "Empties the current data file.",
    "fWriteString": "Writes a text value under a category and key of the current data file.",
    "fWriteInteger": "Writes a number under a category and key of the current data file.",
    "fReadString": "Reads a text value into the caller's variable, or the default when absent.",
    "fReadInteger": "Reads a number into the caller's variable, or the default when absent.",
    "fOpen": "Selects the current data file: NAME.VELKDat in the user directory.",
    "DSetFillStyle": "Sets the fill style of a sprite's shapes.",
    "DSetLineStyle": "Sets the line style of a sprite's shapes.",
    "Graphics": "Selects the graphics mode: 1 GDI, 2 windowed DirectDraw, 3 full-screen DirectDraw (2 and 3 fall back to 1).",
    "OnMCIFailure": "Address of the handler called when an MCI command reports failure.",
    "OnMCISuccess": "Address of the handler called when an MCI command completes.",
    "OnSurfaceLost": "Address of the handler called when DirectDraw surfaces have been lost.",
    "DSetColorKey": "Sets the colour a sprite leaves out when it is copied (not for sprite 0).",
    "DSetRasterOP": "Sets the raster operation of a sprite's drawing.",
    "DSetMapMode": "Sets the mapping mode of a sprite's drawing.",
    "DSetOrigin": "Sets the drawing origin of a sprite.",
    "Sound": "Selects the sound mode: 1 waveOut (one buffer), 2 DirectSound (eight buffers), falling back to 1.",
    "Snd_Open": "Opens a WAV or Ogg Vorbis file into a sound buffer; buffer 1 streams, 2 to 8 hold the whole sound.",
    "Snd_Play": "Plays a buffer once, optionally with a progress dialog.",
    "Snd_LoopPlay": "Plays a buffer in a loop, optionally with a progress dialog.",
    "Snd_Stop": "Stops a buffer.",
    "Download": "Downloads a URL into a file in the user directory, with a progress window.",
    "Logging": "Starts writing the log file Log.txt in the current directory.",
    "Snd_Pause": "Pauses (0) or resumes (non-zero) a buffer.",
    "Snd_GetData": "Returns the sample byte being played.",
    "TickReset": "Sets the tick count back to 0.",
    "GetVELKVer": "Returns the library's version number.",
    "mci": "Sends an MCI command string with a file path and options; completion comes back through OnMCISuccess or OnMCIFailure.",
}

EVENT_COUNT = 16

EVENT_DESCRIPTIONS = {
    "OnActive": "The window lost activation (the same inverted pairing as the handler slots).",
    "OnDeActive": "The window was activated.",
    "OnKeyDown": "A key was pressed (repeats while it is held); the virtual-key code.",
    "OnKeyUp": "A key was released; the virtual-key code.",
    "OnCommand": "A menu or control command: identifier in the low 16 bits, notification code in the high 16 bits.",
    "OnMouseDown": "A mouse button was pressed in the client area: 1 left, 2 right, 3 middle.",
    "OnMouseUp": "A mouse button was released in the client area: 1 left, 2 right, 3 middle.",
    "OnMouseWheel": "The wheel turned: 120 per notch away from the user, 65416 per notch towards the user.",
    "OnMove": "The window has moved; always 0.",
    "OnMoving": "The window is being dragged: the drag rectangle in screen coordinates, which the sink may change.",
    "OnSize": "The window has been resized: 0 restored, 1 minimised, 2 maximised.",
    "OnSizing": "The window's frame is being dragged: the drag rectangle in screen coordinates, which the sink may change.",
    "OnMCIFailure": "An MCI command sent with notify failed; always 0.",
    "OnMCISuccess": "An MCI command sent with notify completed; always 0.",
    "OnSurfaceLost": "The window received message 0x0401 (posted by some party when DirectDraw surfaces were lost); its word parameter.",
    "OnTimer": "A tick of the timer started by wRunTimer; always 0.",
}

TYPE_NAMES = {"long": "long", "short": "short", "BSTR": "string", "HOST_ADDRESS": "address"}


def parse_idl():
    text = open(IDL, encoding="utf-8").read()
    body = text[text.index("interface IVELK"):text.index("};")]
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
        value = re.sub(r"\bVELK_HEX\b", '"%X"', value)
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


def render():
    entries = parse_idl()
    if len(entries) != MEMBER_COUNT:
        sys.exit(f"make-reference: the interface has {len(entries)} members, expected {MEMBER_COUNT}")
    names = list(dict.fromkeys(e["name"] for e in entries))
    missing = [n for n in names if n not in DESCRIPTIONS]
    if missing:
        sys.exit("make-reference: no description for " + ", ".join(missing))
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
        "are 0 to 8 (0 is the back buffer); sound buffer ids 1 to 8. Optional parameters show their",
        "default and may be left out by automation callers.",
        "",
        "Log lines are written to `Log.txt` only after `Logging`. They are listed as the member's",
        "source writes them (its own lines and those of the helpers it calls directly), with `%s`/`%d`",
        "standing for the values of the call; `\\t` is a tab. The library writes them in CP932.",
        "Members that take a sprite or buffer id check it first (range, then empty) and end with the",
        "ID errors when it is wrong.",
        "",
        "| member | id | kind | what it does |",
        "|---|---|---|---|",
    ]
    by_name = {}
    for e in entries:
        by_name.setdefault(e["name"], []).append(e)
    for name in names:
        kinds = "/".join(e["kind"] for e in by_name[name])
        kinds = {"method": "method", "get/put": "property", "get": "read-only property",
                 "put": "write-only property"}.get(kinds, kinds)
        out.append(f"| [`{name}`](#{name.lower()}) | {by_name[name][0]['dispid']} | {kinds} | {DESCRIPTIONS[name]} |")
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
        "handler slot, named like it, plus `OnTimer`. Sinks connect through the object's connection",
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
    for name in names:
        out += ["", f"## {name}", "", f"Dispatch id {by_name[name][0]['dispid']}. {DESCRIPTIONS[name]}", "",
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
