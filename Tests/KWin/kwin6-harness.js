// Runs Deskmap's KWin script against a KWin 6 object model read from a JSON
// file (argument 2), with the scripting API's shapes: objects for desktops,
// screens and windows, signals with connect(), windowList(). Argument 3
// lists options: "per-screen" offers currentDesktopForScreen() (KWin 6.5),
// "timer" QTimer on a clock of the harness's own, moved on 10 ms by each
// change and 1 s after each step. It changes the model step by step,
// emitting the signals KWin would, and prints each message the script sends
// as "STEP<TAB>TEXT".
"use strict";
const fs = require("fs");
const vm = require("vm");

const [scriptPath, modelPath, options] = process.argv.slice(2);
const mode = new Set((options || "").split(","));
const model = JSON.parse(fs.readFileSync(modelPath, "utf8"));

function signal() {
    const handlers = [];
    return {
        connect: (handler) => handlers.push(handler),
        emit: (...values) => handlers.forEach((handler) => handler(...values)),
    };
}

const desktops = model.desktops.map((desktop) => ({ ...desktop, nameChanged: signal() }));
const screens = model.screens.map((screen) => ({ ...screen }));
function makeWindow(entry) {
    return {
        ...entry,
        desktops: entry.desktops.map((index) => desktops[index]),
        output: screens[entry.output],
        deleted: false,
        captionChanged: signal(),
        desktopsChanged: signal(),
        outputChanged: signal(),
        skipTaskbarChanged: signal(),
    };
}
const windows = model.windows.map(makeWindow);
const perScreen = new Map(screens.map((screen) => [screen, desktops[model.current]]));

const workspace = {
    desktops,
    currentDesktop: desktops[model.current],
    screens,
    activeScreen: screens[0],
    cursorPos: model.cursorPos,
    windowList: () => windows.slice(),
    windowAdded: signal(),
    windowRemoved: signal(),
    windowActivated: signal(),
    currentDesktopChanged: signal(),
    desktopsChanged: signal(),
    desktopLayoutChanged: signal(),
    screensChanged: signal(),
};
if (mode.has("per-screen")) {
    workspace.currentDesktopForScreen = (output) => perScreen.get(output);
}

// QTimer, on a clock the harness moves.
let now = 0;
const timers = [];
class QTimer {
    constructor() {
        this.interval = 0;
        this.singleShot = false;
        this.active = false;
        this.due = 0;
        this.timeout = signal();
        timers.push(this);
    }
    start() {
        this.active = true;
        this.due = now + this.interval;
    }
}
function elapse(milliseconds) {
    now += milliseconds;
    for (const timer of timers) {
        if (timer.active && timer.due <= now) {
            timer.active = false;
            timer.timeout.emit();
        }
    }
}

let step = "load";
const context = {
    workspace,
    KWin: {},
    deskmapCallback: ":1.9",
    print: () => {},
    callDBus: (service, path, iface, method, ...values) => {
        if (service !== ":1.9" || path !== "/com/quillary/deskmap/KWin" ||
            iface !== "com.quillary.deskmap.KWin" || method !== "State" || values.length !== 1) {
            throw new Error(`unexpected call ${service} ${path} ${iface}.${method}`);
        }
        process.stdout.write(`${step}\t${values[0]}\n`);
    },
};
if (mode.has("timer")) {
    context.QTimer = QTimer;
}
vm.runInNewContext(fs.readFileSync(scriptPath, "utf8"), context, { filename: scriptPath });

const steps = [
    ["retitle", () => { windows[0].caption = "Re: plans — Mail"; windows[0].captionChanged.emit(); }],
    ["no-change", () => windows[0].captionChanged.emit()],
    ["typing", () => {
        // Retitled every 10 ms for 100 ms: sent while it goes on.
        for (let n = 1; n <= 10; ++n) {
            windows[1].caption = `draft ${n}`;
            windows[1].captionChanged.emit();
            elapse(10);
        }
    }],
    ["move", () => { windows[0].desktops = [desktops[2]]; windows[0].desktopsChanged.emit(); }],
    ["to-screen", () => { windows[0].output = screens[1]; windows[0].outputChanged.emit(); }],
    ["switch", () => {
        const previous = workspace.currentDesktop;
        workspace.currentDesktop = desktops[1];
        perScreen.set(screens[0], desktops[1]);
        workspace.currentDesktopChanged.emit(previous);
    }],
    ["open", () => {
        const window = makeWindow({ ...model.windows[0], internalId: "{7c0e1a5e-0000-4000-8000-000000000009}",
                                    caption: "new", desktops: [], onAllDesktops: true });
        windows.push(window);
        workspace.windowAdded.emit(window);
    }],
    ["rename", () => { desktops[0].name = "Post"; desktops[0].nameChanged.emit(); }],
    ["add-desktop", () => {
        desktops.push({ id: "0a6b5c1e-1111-4c2d-9e3f-000000000004", name: "Extra",
                        x11DesktopNumber: 4, nameChanged: signal() });
        workspace.desktopsChanged.emit();
    }],
    ["rename-added", () => { desktops[3].name = "Extra 2"; desktops[3].nameChanged.emit(); }],
    ["close", () => {
        const window = windows.pop();
        workspace.windowRemoved.emit(window);
    }],
];
for (const [name, change] of steps) {
    step = name;
    change();
    elapse(1000);
}
