// The page around the show: loads the program and the data files into the
// program's file system before it starts, showing the bytes loaded of the
// total; sizes the canvas to the window's pixels; shows the status line,
// errors and reports; plays the music through an audio element and gives
// the program its clock from the music's position; starts the show on the
// first click or key (browsers allow sound only then), asking for full
// screen at the same time.
//
// Before the click the viewer may choose their own copy of the show's files
// (a folder or a .zip, through the buttons or dropped on the page); they
// are read in the browser, never sent anywhere. The page then starts a new
// copy of the program (the factory Tessaline, from tessaline.js) on those
// files in place of the one on the site's files; only the current copy
// (`current`) may touch the page, so a replaced one can finish nothing.
// The chosen folder is the data folder when it holds files in any of the
// show's five folders (textures, skybox, objects, bsp, music); otherwise the
// one folder inside it that does (see findDataRoot).
//
// The show's clock (readShowClock) is the audio element's position, carried
// on between its updates by performance.now() but never more than
// MaxLeadSeconds ahead of it; it stands still while the music has not
// started or waits for data, never goes back, and runs on by itself only
// after the music has ended or could not play. window.tessalineSync keeps,
// for measurements, the clock and music position at each scene's end.
//
// Frames handed over on the virtual clock (?at=…) are kept in
// window.tessalineFrames by name ("1.500"), RGBA rows top row first;
// tessalineFrameBase64(name) gives one as base64 RGB for test drivers, and
// tessalineDataRoot(paths) is findDataRoot, for the same.
"use strict";

(function () {
    const stage = document.getElementById("stage");
    const statusLine = document.getElementById("status");
    const errorLine = document.getElementById("error");
    const report = document.getElementById("report");
    const chooser = document.getElementById("choose");
    const chosenLine = document.getElementById("chosen");
    const folderInput = document.getElementById("folder-input");
    const zipInput = document.getElementById("zip-input");
    const pageTitle = document.title;
    const ShowFolders = ["textures", "skybox", "objects", "bsp", "music"];
    // How far the show's clock may run ahead of the music's last position:
    // less than one frame at 60 frames a second.
    const MaxLeadSeconds = 0.016;
    const frames = {};
    // The program file, fetched and compiled once for every copy.
    const program = { compiled: null, loaded: 0, total: null, done: false };
    let canvas = document.getElementById("canvas");
    let current = null;
    let wasFullScreen = false;

    function resizeCanvas() {
        const ratio = window.devicePixelRatio || 1;
        canvas.width = Math.max(1, Math.round(canvas.clientWidth * ratio));
        canvas.height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    }
    window.addEventListener("resize", resizeCanvas);
    resizeCanvas();

    function setStatus(text) {
        statusLine.textContent = text;
        statusLine.classList.toggle("hidden", text === "");
    }

    function megabytes(bytes) {
        return (bytes / 1e6).toFixed(1);
    }

    // "Loading 3.2 of 9.8 MB" while the program and the data load.
    function showProgress(run) {
        if (run !== current || run.failed || run.programStarted) {
            return;
        }
        const parts = run.countsProgram ? [run.data, program] : [run.data];
        if (parts.some((part) => part.total === null)) {
            setStatus("loading");
            return;
        }
        let loaded = 0;
        let total = 0;
        for (const part of parts) {
            loaded += Math.min(part.loaded, part.total);
            total += Math.max(part.loaded, part.total);
        }
        setStatus("Loading " + megabytes(loaded) + " of " + megabytes(total) + " MB");
    }

    // A response's body, counting its bytes as they arrive.
    async function readBody(response, onBytes) {
        if (!response.body) {
            const bytes = new Uint8Array(await response.arrayBuffer());
            onBytes(bytes.length);
            return bytes;
        }
        const reader = response.body.getReader();
        const chunks = [];
        let length = 0;
        for (;;) {
            const { done, value } = await reader.read();
            if (done) {
                break;
            }
            chunks.push(value);
            length += value.length;
            onBytes(value.length);
        }
        const bytes = new Uint8Array(length);
        let at = 0;
        for (const chunk of chunks) {
            bytes.set(chunk, at);
            at += chunk.length;
        }
        return bytes;
    }

    function compileProgram() {
        if (program.compiled === null) {
            program.compiled = fetch("tessaline.wasm").then(async (response) => {
                if (!response.ok) {
                    throw new Error("tessaline.wasm is missing");
                }
                const length = Number(response.headers.get("Content-Length"));
                program.total = length > 0 ? length : null;
                showProgress(current);
                const bytes = await readBody(response, (count) => {
                    program.loaded += count;
                    showProgress(current);
                });
                program.total = bytes.length;
                program.done = true;
                return WebAssembly.compile(bytes);
            });
        }
        return program.compiled;
    }

    // The show's clock in seconds for the copy run (see the header).
    function readShowClock(run) {
        const clock = run.clock;
        const audio = run.audio;
        const now = performance.now();
        let time = clock.shown;
        if (clock.freeSince !== null) {
            time = clock.freeFrom + (now - clock.freeSince) / 1000;
        } else if (audio) {
            const position = audio.currentTime;
            if (position !== clock.position) {
                clock.position = position;
                clock.seenAt = now;
            }
            time = position;
            if (clock.playing && !audio.paused && audio.readyState >= audio.HAVE_FUTURE_DATA) {
                time += Math.min((now - clock.seenAt) / 1000, MaxLeadSeconds);
            }
        }
        clock.shown = Math.max(clock.shown, time);
        const sync = run.sync;
        sync.last = { show: clock.shown, audio: clock.position, free: clock.freeSince !== null };
        if (clock.freeSince === null && clock.shown - clock.position > sync.largestLead) {
            sync.largestLead = clock.shown - clock.position;
            sync.largestLeadAt = clock.shown;
        }
        return clock.shown;
    }

    // From now on the clock runs by itself: the music has ended or cannot play.
    function runClockFree(run) {
        const clock = run.clock;
        if (clock.freeSince === null) {
            clock.freeFrom = Math.max(clock.shown, clock.position);
            clock.freeSince = performance.now();
        }
    }

    function leaveFullScreen() {
        if (document.fullscreenElement) {
            document.exitFullscreen().catch(() => {});
        }
    }

    // What the program of one copy calls (Module.page); a copy that has been
    // replaced changes nothing on the page.
    function makePage(run) {
        const live = () => run === current;
        const page = {
            setStatus(text) {
                if (live()) {
                    setStatus(text);
                }
            },
            setTitle(text) {
                if (live()) {
                    document.title = text;
                }
            },
            addReport(line) {
                if (live()) {
                    report.classList.remove("hidden");
                    report.textContent += line + "\n";
                }
            },
            showError(message) {
                if (!live()) {
                    return;
                }
                run.failed = true;
                run.waitingForStart = false;
                setStatus("");
                errorLine.textContent = message;
                errorLine.classList.remove("hidden");
                document.title = "Error";
                leaveFullScreen();
                if (run.audio) {
                    run.audio.pause();
                }
            },
            hideCursor() {
                if (live()) {
                    stage.classList.add("nocursor");
                }
            },
            leaveFullScreen() {
                if (live()) {
                    leaveFullScreen();
                }
            },
            awaitStart(text) {
                if (live()) {
                    setStatus(text);
                    run.waitingForStart = true;
                }
            },
            openMusic(path) {
                const url = run.music.get(path);
                if (url === undefined) {
                    return false;
                }
                const audio = document.createElement("audio");
                audio.id = "music";
                audio.preload = "auto";
                audio.src = url;
                // Between "playing" and "waiting" (or a pause) the sound goes on.
                audio.addEventListener("playing", () => {
                    run.clock.playing = true;
                });
                audio.addEventListener("waiting", () => {
                    run.clock.playing = false;
                });
                audio.addEventListener("pause", () => {
                    run.clock.playing = false;
                });
                audio.addEventListener("ended", () => runClockFree(run));
                audio.addEventListener("error", () => {
                    page.setStatus("The browser could not play the music");
                    runClockFree(run);
                });
                document.body.appendChild(audio);
                run.audio = audio;
                return true;
            },
            playMusic() {
                if (!run.audio) {
                    return false;
                }
                run.audio.currentTime = 0;
                run.audio.play().catch((error) => {
                    page.setStatus("The browser did not start the sound: " + error.message);
                    runClockFree(run);
                });
                return true;
            },
            stopMusic() {
                if (run.audio) {
                    run.audio.pause();
                }
            },
            readShowClock() {
                return readShowClock(run);
            },
            sceneEnded(row) {
                const clock = run.clock;
                run.sync.ends.push({
                    row: row,
                    show: clock.shown,
                    audio: clock.position,
                    free: clock.freeSince !== null,
                });
            },
            frame(name, rgba, width, height) {
                if (live()) {
                    frames[name] = { width: width, height: height, rgba: rgba };
                }
            },
        };
        return page;
    }

    function isMusic(path) {
        return path.endsWith(".mp3");
    }

    function writeFile(module, path, bytes) {
        const slash = path.lastIndexOf("/");
        if (slash > 0) {
            module.FS.mkdirTree("/" + path.substring(0, slash));
        }
        module.FS.writeFile("/" + path, bytes);
    }

    // The site's files, as files.txt lists them ("SIZE PATH" a line): all go
    // into the program's file system but the music, which the audio element
    // streams; a file the server does not have is left out, so the program
    // reports it as it would natively.
    async function loadSiteData(run, module) {
        const response = await fetch("files.txt");
        if (!response.ok) {
            throw new Error("files.txt is missing");
        }
        const listed = (await response.text())
            .split("\n")
            .filter((line) => line !== "")
            .map((line) => {
                const space = line.indexOf(" ");
                return { size: Number(line.substring(0, space)), path: line.substring(space + 1) };
            });
        run.data.total = 0;
        for (const file of listed) {
            if (!isMusic(file.path)) {
                run.data.total += file.size;
            }
        }
        showProgress(run);
        await Promise.all(
            listed.map(async (file) => {
                if (isMusic(file.path)) {
                    const head = await fetch(file.path, { method: "HEAD" });
                    if (head.ok) {
                        run.music.set(file.path, file.path);
                    }
                    return;
                }
                const answer = await fetch(file.path);
                if (!answer.ok) {
                    run.data.total -= file.size;
                    showProgress(run);
                    return;
                }
                const bytes = await readBody(answer, (count) => {
                    run.data.loaded += count;
                    showProgress(run);
                });
                writeFile(module, file.path, bytes);
            })
        );
    }

    // The viewer's files, paths already relative to the data folder: one
    // after another into the program's file system, the music as a blob
    // address for the audio element.
    async function loadOwnData(run, module) {
        run.data.total = run.source.files.reduce((sum, file) => sum + file.size, 0);
        showProgress(run);
        for (const file of run.source.files) {
            if (run !== current) {
                return;
            }
            if (isMusic(file.path)) {
                const url = URL.createObjectURL(await file.blob());
                run.urls.push(url);
                run.music.set(file.path, url);
            } else {
                writeFile(module, file.path, await file.bytes());
            }
            run.data.loaded += file.size;
            showProgress(run);
        }
    }

    function loadData(run, module) {
        module.addRunDependency("data");
        const load = run.source === null ? loadSiteData(run, module) : loadOwnData(run, module);
        load.then(() => {
            if (run === current) {
                module.removeRunDependency("data");
            }
        }).catch((error) => {
            run.page.showError(
                run.source === null
                    ? "Error loading the show's files: " + error.message
                    : "Can't read " + run.source.name + ": " + error.message
            );
        });
    }

    // Stops a copy for good: it never starts, or stops where it is.
    function retire(run) {
        if (run.programStarted) {
            try {
                run.module._WebRetire();
            } catch (error) {
                // It has ended already.
            }
        } else if (run.module && run.module.addRunDependency) {
            run.module.addRunDependency("replaced");
        }
        if (run.audio) {
            run.audio.pause();
            run.audio.remove();
        }
        for (const url of run.urls) {
            URL.revokeObjectURL(url);
        }
    }

    // A fresh canvas for a new copy; the old one's WebGL context is let go.
    function replaceCanvas(old) {
        if (old.programStarted) {
            const gl = canvas.getContext("webgl2");
            const lose = gl && gl.getExtension("WEBGL_lose_context");
            if (lose) {
                lose.loseContext();
            }
        }
        const fresh = canvas.cloneNode(false);
        canvas.replaceWith(fresh);
        canvas = fresh;
        resizeCanvas();
    }

    // Starts a copy of the program on source: null for the site's files, or
    // { name, files: [{ path, size, bytes(), blob() }] } for the viewer's.
    function launch(source) {
        const old = current;
        const run = {
            source: source,
            module: null,
            page: null,
            data: { loaded: 0, total: null },
            countsProgram: !program.done,
            music: new Map(),
            urls: [],
            audio: null,
            clock: { position: 0, seenAt: 0, shown: 0, playing: false, freeFrom: 0, freeSince: null },
            sync: { ends: [], last: null, largestLead: 0, largestLeadAt: 0 },
            waitingForStart: false,
            started: false,
            failed: false,
            programStarted: false,
        };
        if (old) {
            retire(old);
        }
        current = run;
        window.tessalineSync = run.sync;
        window.tessalineData = source === null ? "" : source.name;
        for (const name of Object.keys(frames)) {
            delete frames[name];
        }
        errorLine.textContent = "";
        errorLine.classList.add("hidden");
        report.textContent = "";
        report.classList.add("hidden");
        document.title = pageTitle;
        if (old) {
            replaceCanvas(old);
        }
        setStatus("loading");
        run.page = makePage(run);
        run.module = {
            page: run.page,
            canvas: canvas,
            preRun: [(module) => loadData(run, module)],
            instantiateWasm(imports, receive) {
                compileProgram()
                    .then((compiled) =>
                        WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled))
                    )
                    .catch((error) => run.page.showError("Error loading the program: " + error.message));
                return {};
            },
            onRuntimeInitialized() {
                run.programStarted = true;
            },
        };
        Tessaline(run.module).catch((error) => run.page.showError("Error starting the program: " + error));
    }

    // Where the data folder lies among paths (relative to the chosen folder):
    // "" when the chosen folder holds files in any of the show's folders,
    // else "NAME/" for the one folder inside it that does. An Error when
    // none does or more than one does.
    function findDataRoot(paths) {
        const holdsShowFolder = (prefix) =>
            paths.some((path) => ShowFolders.some((folder) => path.startsWith(prefix + folder + "/")));
        if (holdsShowFolder("")) {
            return "";
        }
        const folders = new Set();
        for (const path of paths) {
            const slash = path.indexOf("/");
            if (slash > 0) {
                folders.add(path.substring(0, slash + 1));
            }
        }
        const holders = [...folders].filter(holdsShowFolder).sort();
        if (holders.length === 1) {
            return holders[0];
        }
        if (holders.length === 0) {
            throw new Error(
                "it holds none of the show's folders (" + ShowFolders.join(", ") + "), nor does a folder inside it"
            );
        }
        throw new Error(
            "more than one folder inside it holds the show's folders (" +
                holders.map((holder) => holder.slice(0, -1)).join(", ") +
                "): choose one of them"
        );
    }

    function canChoose() {
        return current !== null && !current.started;
    }

    function noteChoice(text) {
        chosenLine.textContent = text;
    }

    // Plays the chosen files (paths relative to the chosen folder, named name).
    function chooseFiles(name, files) {
        if (!canChoose()) {
            return;
        }
        let root;
        try {
            root = findDataRoot(files.map((file) => file.path));
        } catch (error) {
            noteChoice("Can't play " + name + ": " + error.message);
            return;
        }
        const chosen = files
            .filter((file) => file.path.startsWith(root))
            .map((file) => Object.assign({}, file, { path: file.path.substring(root.length) }));
        const shown = root === "" ? name : name + "/" + root.slice(0, -1);
        noteChoice("Playing your files: " + shown + " (" + chosen.length + " files)");
        launch({ name: shown, files: chosen });
    }

    function fileSource(path, file) {
        return {
            path: path,
            size: file.size,
            bytes: () => file.arrayBuffer().then((buffer) => new Uint8Array(buffer)),
            blob: () => Promise.resolve(file),
        };
    }

    async function chooseZip(file) {
        let bytes;
        let entries;
        try {
            bytes = new Uint8Array(await file.arrayBuffer());
            entries = TessalineZip.list(bytes);
        } catch (error) {
            noteChoice("Can't read " + file.name + ": " + error.message);
            return;
        }
        chooseFiles(
            file.name,
            entries.map((entry) => ({
                path: entry.name,
                size: entry.size,
                bytes: () => TessalineZip.read(bytes, entry),
                blob: () => TessalineZip.read(bytes, entry).then((data) => new Blob([data], { type: "audio/mpeg" })),
            }))
        );
    }

    folderInput.addEventListener("change", () => {
        const list = [...folderInput.files];
        folderInput.value = "";
        if (list.length === 0) {
            return;
        }
        // Paths start with the chosen folder's own name.
        const top = (list[0].webkitRelativePath || list[0].name).split("/")[0];
        chooseFiles(
            top,
            list.map((file) => fileSource(file.webkitRelativePath.substring(top.length + 1) || file.name, file))
        );
    });

    zipInput.addEventListener("change", () => {
        const file = zipInput.files[0];
        zipInput.value = "";
        if (file) {
            chooseZip(file);
        }
    });

    // Every file under a dropped entry, as fileSource records with paths
    // after prefix.
    async function collectEntry(entry, prefix, into) {
        if (entry.isFile) {
            const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
            into.push(fileSource(prefix + entry.name, file));
            return;
        }
        const reader = entry.createReader();
        for (;;) {
            const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
            if (batch.length === 0) {
                break;
            }
            for (const child of batch) {
                await collectEntry(child, prefix + entry.name + "/", into);
            }
        }
    }

    // A dropped folder is the chosen folder; several dropped things are the
    // contents of one; a dropped .zip is read as the zip button reads it.
    async function chooseDropped(entries) {
        if (entries.length === 1 && entries[0].isFile) {
            if (!entries[0].name.toLowerCase().endsWith(".zip")) {
                noteChoice("Drop a folder or a .zip of the show's files");
                return;
            }
            const file = await new Promise((resolve, reject) => entries[0].file(resolve, reject));
            await chooseZip(file);
            return;
        }
        const files = [];
        let name = "the dropped files";
        if (entries.length === 1) {
            name = entries[0].name;
            const reader = entries[0].createReader();
            for (;;) {
                const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
                if (batch.length === 0) {
                    break;
                }
                for (const child of batch) {
                    await collectEntry(child, "", files);
                }
            }
        } else {
            for (const entry of entries) {
                await collectEntry(entry, "", files);
            }
        }
        chooseFiles(name, files);
    }

    document.addEventListener("dragover", (event) => {
        if (canChoose()) {
            event.preventDefault();
            event.dataTransfer.dropEffect = "copy";
            chooser.classList.add("dropping");
        }
    });
    document.addEventListener("dragleave", () => chooser.classList.remove("dropping"));
    document.addEventListener("drop", (event) => {
        event.preventDefault();
        chooser.classList.remove("dropping");
        if (!canChoose()) {
            return;
        }
        const entries = [...event.dataTransfer.items]
            .filter((item) => item.kind === "file" && item.webkitGetAsEntry)
            .map((item) => item.webkitGetAsEntry())
            .filter((entry) => entry !== null);
        if (entries.length === 0) {
            const file = event.dataTransfer.files[0];
            if (file && file.name.toLowerCase().endsWith(".zip")) {
                chooseZip(file);
            }
            return;
        }
        chooseDropped(entries).catch((error) => noteChoice("Can't read the dropped files: " + error.message));
    });

    window.tessalineFrames = frames;
    window.tessalineDataRoot = findDataRoot;
    window.tessalineFrameBase64 = function (name) {
        const frame = frames[name];
        if (!frame) {
            return "";
        }
        const pixels = frame.width * frame.height;
        const rgb = new Uint8Array(pixels * 3);
        for (let i = 0; i < pixels; i++) {
            rgb[3 * i] = frame.rgba[4 * i];
            rgb[3 * i + 1] = frame.rgba[4 * i + 1];
            rgb[3 * i + 2] = frame.rgba[4 * i + 2];
        }
        let text = "";
        for (let i = 0; i < rgb.length; i += 0x8000) {
            text += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
        }
        return btoa(text);
    };

    function start(event) {
        const run = current;
        if (!run || !run.waitingForStart || (event.type === "keydown" && event.key === "Escape")) {
            return;
        }
        if (event.target instanceof Element && event.target.closest("#choose")) {
            return;
        }
        run.waitingForStart = false;
        let started = 0;
        try {
            started = run.module._WebStartShow();
        } catch (error) {
            // A failure has shown its message already (the program exits).
            return;
        }
        if (started) {
            run.started = true;
            chooser.classList.add("hidden");
            if (stage.requestFullscreen) {
                stage.requestFullscreen().catch(() => {});
            }
        }
    }
    document.addEventListener("click", start);
    document.addEventListener("keydown", start);
    document.addEventListener("fullscreenchange", () => {
        if (document.fullscreenElement) {
            wasFullScreen = true;
        } else if (wasFullScreen) {
            // The browser keeps the Escape that leaves full screen to itself.
            wasFullScreen = false;
            if (current && current.started) {
                current.module._WebLeftFullScreen();
            }
        }
    });

    compileProgram().catch(() => {});
    launch(null);
})();
