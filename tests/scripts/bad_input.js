// Calls members with arguments of the wrong kind, as careless scripts pass them.
// Arguments: the member table (one "name kind count" a line: m method, g get,
// p put; count = parameters), the first and the end row, the progress file and
// the kind the first row starts at. Before each call "call ROW KIND" is
// written, after it "done ROW KIND ERROR" (0 when the member worked); a call
// that ends the process leaves its "call" line last, and the test goes on after
// it in a new host. Begins with "started", ends with "script-complete".
var kinds = ["", "undefined", "null", "'abc'", "1e300", "2147483648", "-1", "-2147483648", "longText", "1"];
var missing = 0, surplus = kinds.length - 1;
var longText = new Array(70001).join("x");
var fso = new ActiveXObject("Scripting.FileSystemObject");
var args = WScript.Arguments;
var rows = fso.OpenTextFile(args(0)).ReadAll().split("\n");
var first = parseInt(args(1), 10), end = parseInt(args(2), 10), progress = args(3);
var firstKind = parseInt(args(4), 10);

function note(text) {
    var file = fso.OpenTextFile(progress, 8, true);
    file.WriteLine(text);
    file.Close();
}

// The statement for one member and one kind of argument; null when the kind
// cannot be said (a put needs its value; a member without parameters has
// only the surplus kind: without arguments it would be a proper call).
function statement(name, kind, count, k) {
    if (kind == "p") return k == missing || k == surplus ? null : "velk." + name + " = " + kinds[k];
    if (count == 0 && k != surplus) return null;
    var values = [];
    var n = k == missing ? 0 : k == surplus ? count + 1 : count;
    for (var i = 0; i < n; ++i) values.push(k == surplus ? "1" : kinds[k]);
    return "velk." + name + "(" + values.join(", ") + ")";
}

note("started");
var velk = new ActiveXObject("VELK");
velk.Logging();
velk.wDefault("VelkBadInput");
for (var row = first; row < end; ++row) {
    var fields = rows[row].replace(/\r/, "").split(" ");
    for (var k = row == first ? firstKind : 0; k < kinds.length; ++k) {
        var text = statement(fields[0], fields[1], parseInt(fields[2], 10), k);
        if (text == null) continue;
        note("call " + row + " " + k);
        var error = 0;
        try {
            eval(text);
        } catch (e) {
            error = e.number;
        }
        note("done " + row + " " + k + " " + error);
        // Host function slots take any number as an address: put them back
        // before a message reaches one.
        if (fields[1] == "p" && (fields[0].substr(0, 2) == "On" || fields[0] == "wProcedure")) eval("velk." + fields[0] + " = 0");
    }
}
velk = null;
CollectGarbage();
note("script-complete");
