// A real photo with its content turned by a few degrees clockwise about the middle, enlarged
// just enough that no corner is left empty, saved as a 24-bit BMP: the check before publishing
// tells it tilted. The native pictorel-cli decodes the source (`convert IN OUT.ppm`).
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export function makeTiltedPhoto(cli, source, out, degrees) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tilted-photo-'));
  try {
    const ppm = path.join(dir, 'source.ppm');
    execFileSync(cli, ['convert', source, ppm], { stdio: 'pipe' });
    const bytes = fs.readFileSync(ppm);
    const header = /^P6\s+(\d+)\s+(\d+)\s+255\s/.exec(bytes.subarray(0, 64).toString('latin1'));
    const [width, height] = [Number(header[1]), Number(header[2])];
    const pixels = bytes.subarray(header[0].length);
    const t = (degrees * Math.PI) / 180;
    const scale = Math.cos(Math.abs(t)) + (Math.max(width, height) / Math.min(width, height)) * Math.sin(Math.abs(t));
    const rowBytes = Math.ceil((width * 3) / 4) * 4;
    const bmp = Buffer.alloc(54 + rowBytes * height);
    bmp.write('BM', 0, 'latin1');
    bmp.writeUInt32LE(bmp.length, 2);
    bmp.writeUInt32LE(54, 10);
    bmp.writeUInt32LE(40, 14);
    bmp.writeInt32LE(width, 18);
    bmp.writeInt32LE(height, 22);
    bmp.writeUInt16LE(1, 26);
    bmp.writeUInt16LE(24, 28);
    bmp.writeUInt32LE(rowBytes * height, 34);
    const clamp = (v, top) => Math.min(Math.max(Math.floor(v), 0), top);
    for (let y = 0; y < height; ++y) {
      const row = 54 + (height - 1 - y) * rowBytes; // bottom-up
      for (let x = 0; x < width; ++x) {
        // Where the turned point came from.
        const px = (x + 0.5 - width / 2) / scale;
        const py = (y + 0.5 - height / 2) / scale;
        const sx = clamp(px * Math.cos(t) + py * Math.sin(t) + width / 2, width - 1);
        const sy = clamp(-px * Math.sin(t) + py * Math.cos(t) + height / 2, height - 1);
        const at = (sy * width + sx) * 3;
        for (let c = 0; c < 3; ++c) bmp[row + x * 3 + c] = pixels[at + 2 - c];
      }
    }
    fs.writeFileSync(out, bmp);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}
