// The page around the show: loads the data files into the program's file
// system before it starts, sizes the canvas to the window's pixels, shows
// the status line, errors and reports, plays the music through an audio
// element, and starts the show on the first click or key (browsers allow
// sound only then), asking for full screen at the same time.
//
// Frames handed over on the virtual clock (?at=…) are kept in
// window.tessalineFrames by name ("1.500"), RGBA rows top row first;
// tessalineFrameBase64(name) gives one as base64 RGB for test drivers.
"use strict";

(function () {
    const canvas = document.getElementById("canvas");
    const stage = document.getElementById("stage");
    const statusLine = document.getElementById("status");
    const errorLine = document.getElementById("error");
    const report = document.getElementById("report");
    const musicFiles = new Set();
    const frames = {};
    let audio = null;
    let waitingForStart = false;
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

    const page = {
        setStatus: setStatus,
        setTitle(text) {
            document.title = text;
        },
        addReport(line) {
            report.classList.remove("hidden");
            report.textContent += line + "\n";
        },
        showError(message) {
            setStatus("");
            waitingForStart = false;
            errorLine.textContent = message;
            errorLine.classList.remove("hidden");
            document.title = "Error";
            page.leaveFullScreen();
            if (audio) {
                audio.pause();
            }
        },
        hideCursor() {
            stage.classList.add("nocursor");
        },
        leaveFullScreen() {
            if (document.fullscreenElement) {
                document.exitFullscreen().catch(() => {});
            }
        },
        awaitStart(text) {
            setStatus(text);
            waitingForStart = true;
        },
        openMusic(path) {
            if (!musicFiles.has(path)) {
                return false;
            }
            audio = document.createElement("audio");
            audio.id = "music";
            audio.preload = "auto";
            audio.src = path;
            document.body.appendChild(audio);
            return true;
        },
        playMusic() {
            if (!audio) {
                return false;
            }
            audio.currentTime = 0;
            audio.play().catch((error) => {
                setStatus("The browser did not start the sound: " + error.message);
            });
            return true;
        },
        stopMusic() {
            if (audio) {
                audio.pause();
            }
        },
        frame(name, rgba, width, height) {
            frames[name] = { width: width, height: height, rgba: rgba };
        },
    };

    window.tessalineFrames = frames;
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
        if (!waitingForStart || (event.type === "keydown" && event.key === "Escape")) {
            return;
        }
        waitingForStart = false;
        let started = 0;
        try {
            started = Module._WebStartShow();
        } catch (error) {
            // A failure has shown its message already (the program exits).
            return;
        }
        if (started && stage.requestFullscreen) {
            stage.requestFullscreen().catch(() => {});
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
            Module._WebLeftFullScreen();
        }
    });

    // Every file the site lists goes into the program's file system, except
    // the music, which the audio element streams; a file the server does not
    // have is left out, so the program reports it as it would natively.
    function loadFile(path) {
        if (path.endsWith(".mp3")) {
            return fetch(path, { method: "HEAD" }).then((response) => {
                if (response.ok) {
                    musicFiles.add(path);
                }
            });
        }
        return fetch(path)
            .then((response) => (response.ok ? response.arrayBuffer() : null))
            .then((bytes) => {
                if (bytes === null) {
                    return;
                }
                const slash = path.lastIndexOf("/");
                if (slash > 0) {
                    Module.FS.mkdirTree("/" + path.substring(0, slash));
                }
                Module.FS.writeFile("/" + path, new Uint8Array(bytes));
            });
    }

    function loadData() {
        Module.addRunDependency("data");
        fetch("files.txt")
            .then((response) => {
                if (!response.ok) {
                    throw new Error("files.txt is missing");
                }
                return response.text();
            })
            .then((text) => {
                const paths = text.split("\n").filter((line) => line !== "");
                return Promise.all(paths.map(loadFile));
            })
            .then(() => Module.removeRunDependency("data"))
            .catch((error) => page.showError("Error loading the show's files: " + error.message));
    }

    window.Module = {
        page: page,
        canvas: canvas,
        preRun: [loadData],
    };
})();
