// A small reader for .zip files, so that the page can play a zip of the
// show's files chosen by the viewer: the central directory, then each
// entry's bytes, stored or deflated (inflated by the browser's own
// DecompressionStream), checked against the entry's size and CRC-32.
//
// No state beyond the CRC table, made once. Every problem with the file is
// an Error whose message names it ("not a zip file", "… is damaged"); zip64
// archives, encrypted entries and other compression methods are refused.
// window.TessalineZip: list(bytes) and read(bytes, entry).
"use strict";

(function () {
    const EndSignature = 0x06054b50;
    const CentralSignature = 0x02014b50;
    const LocalSignature = 0x04034b50;
    const EndSize = 22;
    const CentralSize = 46;
    const LocalSize = 30;
    const Stored = 0;
    const Deflated = 8;

    let crcTable = null;

    function crc32(bytes) {
        if (crcTable === null) {
            crcTable = new Uint32Array(256);
            for (let n = 0; n < 256; n++) {
                let c = n;
                for (let k = 0; k < 8; k++) {
                    c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
                }
                crcTable[n] = c >>> 0;
            }
        }
        let crc = 0xffffffff;
        for (let i = 0; i < bytes.length; i++) {
            crc = crcTable[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
        }
        return (crc ^ 0xffffffff) >>> 0;
    }

    // The end of central directory record: the last one in the file (its
    // comment may be up to 65535 bytes long).
    function findEnd(view) {
        const last = view.byteLength - EndSize;
        const first = Math.max(0, last - 0xffff);
        for (let at = last; at >= first; at--) {
            if (view.getUint32(at, true) === EndSignature) {
                return at;
            }
        }
        throw new Error("not a zip file");
    }

    function decodeName(bytes, utf8) {
        return new TextDecoder(utf8 ? "utf-8" : "latin1").decode(bytes);
    }

    // The entries of the zip in bytes (a Uint8Array), in directory order:
    // { name, method, size, compressedSize, crc, dataOffset }. Folders and
    // names that would leave the folder ("..", "/…") are left out.
    function listEntries(bytes) {
        const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
        if (bytes.length < EndSize) {
            throw new Error("not a zip file");
        }
        const end = findEnd(view);
        const count = view.getUint16(end + 10, true);
        const directorySize = view.getUint32(end + 12, true);
        const directoryOffset = view.getUint32(end + 16, true);
        if (count === 0xffff || directoryOffset === 0xffffffff) {
            throw new Error("a zip64 file, which this page does not read");
        }
        if (directoryOffset + directorySize > end) {
            throw new Error("the zip file is truncated or damaged");
        }
        const entries = [];
        let at = directoryOffset;
        for (let i = 0; i < count; i++) {
            if (at + CentralSize > end || view.getUint32(at, true) !== CentralSignature) {
                throw new Error("the zip file's directory is damaged");
            }
            const flags = view.getUint16(at + 8, true);
            const method = view.getUint16(at + 10, true);
            const crc = view.getUint32(at + 16, true);
            const compressedSize = view.getUint32(at + 20, true);
            const size = view.getUint32(at + 24, true);
            const nameLength = view.getUint16(at + 28, true);
            const extraLength = view.getUint16(at + 30, true);
            const commentLength = view.getUint16(at + 32, true);
            const localOffset = view.getUint32(at + 42, true);
            const name = decodeName(
                bytes.subarray(at + CentralSize, at + CentralSize + nameLength),
                (flags & 0x800) !== 0
            ).replace(/\\/g, "/");
            at += CentralSize + nameLength + extraLength + commentLength;
            if (name.endsWith("/")) {
                continue;
            }
            const parts = name.split("/");
            if (name.startsWith("/") || parts.includes("..")) {
                continue;
            }
            if (size === 0xffffffff || compressedSize === 0xffffffff || localOffset === 0xffffffff) {
                throw new Error("a zip64 file, which this page does not read");
            }
            if (flags & 1) {
                throw new Error(name + " is encrypted");
            }
            if (method !== Stored && method !== Deflated) {
                throw new Error(name + " uses compression method " + method + " (only stored and deflated are read)");
            }
            if (localOffset + LocalSize > end || view.getUint32(localOffset, true) !== LocalSignature) {
                throw new Error(name + " is damaged (no local header)");
            }
            const dataOffset =
                localOffset +
                LocalSize +
                view.getUint16(localOffset + 26, true) +
                view.getUint16(localOffset + 28, true);
            if (dataOffset + compressedSize > bytes.length) {
                throw new Error(name + " is damaged (the zip file is truncated)");
            }
            entries.push({ name, method, size, compressedSize, crc, dataOffset });
        }
        return entries;
    }

    // The entry's bytes (a Uint8Array); an Error when they are damaged.
    async function readEntry(bytes, entry) {
        const data = bytes.subarray(entry.dataOffset, entry.dataOffset + entry.compressedSize);
        let out = data;
        if (entry.method === Deflated) {
            try {
                const stream = new Blob([data]).stream().pipeThrough(new DecompressionStream("deflate-raw"));
                out = new Uint8Array(await new Response(stream).arrayBuffer());
            } catch (error) {
                throw new Error(entry.name + " is damaged (it does not inflate)");
            }
        }
        if (out.length !== entry.size || crc32(out) !== entry.crc) {
            throw new Error(entry.name + " is damaged (its size or checksum does not match)");
        }
        return out;
    }

    window.TessalineZip = { list: listEntries, read: readEntry };
})();
