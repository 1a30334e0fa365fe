// Where a run's JPEG files go. Three kinds, one interface:
//   write(entry, bytes) -> { name, size, where }   (called in selection order)
//   finish() -> { zip?: Blob, zipName?: string }
// Names are the core's candidates for the source name (photo.jpg, photo-1.jpg, ...) tried in
// order until one is free, so a result never overwrites a file, as on the desktop.
import { zipSync } from './vendor/fflate.js';
import { loadHandle, saveHandle, mayWrite } from './handle-store.js';

const BASE_FOLDER_KEY = 'baseFolder';
// No source name has this many results beside it; the bound ends the search on a broken store.
const MAX_CANDIDATES = 100000;

export const folderPickerAvailable = () => typeof globalThis.showDirectoryPicker === 'function';

async function entryExists(folder, name) {
  try {
    await folder.getFileHandle(name);
    return true;
  } catch (error) {
    // A folder of that name is taken too; only "not found" frees the name.
    return error.name !== 'NotFoundError';
  }
}

async function freeName(client, sourceName, besideSource, isTaken) {
  for (let index = 0; index < MAX_CANDIDATES; ++index) {
    const name = await client.call('candidateName', { sourceName, index, besideSource });
    if (!(await isTaken(name))) return name;
  }
  throw new Error(`${sourceName}: 空いているファイル名が見つかりません`);
}

// The file system's atomic write: the browser writes into a swap file and puts it in place on
// close(), so the name never holds a half-written JPEG; abort() throws the swap file away.
async function writeFile(folder, name, bytes) {
  const handle = await folder.getFileHandle(name, { create: true });
  const stream = await handle.createWritable({ keepExistingData: false });
  try {
    await stream.write(bytes);
    await stream.close();
  } catch (error) {
    await stream.abort().catch(() => {});
    throw error;
  }
}

function describe(error, where) {
  return `${where} を保存できませんでした。\n${error.message || error}`;
}

export class FolderDestination {
  constructor(client, folder, label) {
    this.client = client;
    this.folder = folder;
    this.label = label;
  }

  async write(entry, bytes) {
    const name = await freeName(this.client, entry.name, false, (n) => entryExists(this.folder, n));
    try {
      await writeFile(this.folder, name, bytes);
    } catch (error) {
      throw new Error(describe(error, `${this.label}/${name}`));
    }
    return { name, size: bytes.byteLength, where: this.label };
  }

  async finish() {
    return {};
  }

  // Another file of the run (check.csv): the first of `candidate(0)`, `candidate(1)`, ... that
  // is free, so an earlier one is never replaced. Returns the path the user knows it by.
  async writeNew(bytes, candidate) {
    for (let index = 0; index < MAX_CANDIDATES; ++index) {
      const name = await candidate(index);
      if (await entryExists(this.folder, name)) continue;
      try {
        await writeFile(this.folder, name, bytes);
      } catch (error) {
        throw new Error(describe(error, `${this.label}/${name}`));
      }
      return `${this.label}/${name}`;
    }
    throw new Error(`${this.label}: 空いているファイル名が見つかりません`);
  }
}

// "元画像と同じフォルダに別名で保存": mini_ files beside each source whose folder the browser
// lets the page write; pictures chosen one by one have no such folder and go into a ZIP.
export class BesideSourceDestination {
  constructor(client) {
    this.client = client;
    this.zip = new ZipDestination(client, 'mini', true);
    this.allowed = new Map();
  }

  async write(entry, bytes) {
    if (!entry.folder || !(await this.writable(entry.folder))) return this.zip.write(entry, bytes);
    const name = await freeName(this.client, entry.name, true, (n) => entryExists(entry.folder, n));
    const folderPath = entry.path.split('/').slice(0, -1).join('/') || entry.folder.name;
    try {
      await writeFile(entry.folder, name, bytes);
    } catch (error) {
      throw new Error(describe(error, `${folderPath}/${name}`));
    }
    return { name, size: bytes.byteLength, where: folderPath };
  }

  async writable(folder) {
    if (!this.allowed.has(folder)) this.allowed.set(folder, mayWrite(folder).catch(() => false));
    return this.allowed.get(folder);
  }

  finish() {
    return this.zip.finish();
  }
}

// One ZIP named after the folder name, holding the names the folder would have held.
export class ZipDestination {
  constructor(client, folderName, besideSource = false) {
    this.client = client;
    this.zipName = `${folderName}.zip`;
    this.besideSource = besideSource;
    this.files = {};
  }

  async write(entry, bytes) {
    const name = await freeName(this.client, entry.name, this.besideSource, async (n) => n in this.files);
    // JPEG data does not deflate; storing keeps the ZIP fast to build.
    this.files[name] = [new Uint8Array(bytes), { level: 0 }];
    return { name, size: bytes.byteLength, where: this.zipName };
  }

  get count() {
    return Object.keys(this.files).length;
  }

  async finish() {
    if (!this.count) return {};
    const zip = new Blob([zipSync(this.files)], { type: 'application/zip' });
    return { zip, zipName: this.zipName };
  }
}

export function downloadBlob(blob, name) {
  const url = URL.createObjectURL(blob);
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// The base folder under which each run's named folder is made; picked once, kept in IndexedDB.
export class BaseFolder {
  async handle() {
    this.cached ??= await loadHandle(BASE_FOLDER_KEY);
    return this.cached;
  }

  async pick() {
    const folder = await globalThis.showDirectoryPicker({ id: 'pictorel-base', mode: 'readwrite', startIn: 'pictures' });
    this.cached = folder;
    await saveHandle(BASE_FOLDER_KEY, folder);
    return folder;
  }

  // The names of the folders already under the base folder, when the page may read it
  // without asking (listing must not raise a permission prompt while typing).
  async subfolderNames() {
    const folder = await this.handle();
    if (!folder || (await folder.queryPermission?.({ mode: 'read' })) !== 'granted') return [];
    const names = [];
    for await (const [name, entry] of folder.entries()) if (entry.kind === 'directory') names.push(name);
    return names;
  }
}

export async function subfolderExists(base, name) {
  try {
    await base.getDirectoryHandle(name);
    return true;
  } catch {
    return false;
  }
}
