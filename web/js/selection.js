// Turns what the user chose or dropped into the run's list of pictures. A folder is walked
// depth first, its entries in the core's name order (a subfolder's pictures come where the
// subfolder stands); pictures named one by one keep their order. Files whose extension the
// core does not read are left out, as the desktop's drop does.
//
// Each entry: { name, path, getFile(), folder } where folder is the directory handle the file
// sits in when the browser gave one (needed to save "mini_" files beside it), else null.

export class PictureSelector {
  constructor(client, extensions) {
    this.client = client;
    this.extensions = new Set(extensions.map((e) => e.toLowerCase()));
  }

  accepts(name) {
    const dot = name.lastIndexOf('.');
    return dot > 0 && this.extensions.has(name.slice(dot + 1).toLowerCase());
  }

  // The accept attribute for the file inputs.
  acceptList() {
    return [...this.extensions].map((e) => `.${e}`).join(',');
  }

  fromFiles(files) {
    return [...files].filter((f) => this.accepts(f.name)).map((f) => plainEntry(f, f.webkitRelativePath || f.name));
  }

  // A folder chosen with <input webkitdirectory>: the browser lists every file with its path
  // below the folder; the order is rebuilt from those paths.
  async fromFolderInput(files) {
    const root = { folders: new Map(), files: [] };
    for (const file of files) {
      const parts = (file.webkitRelativePath || file.name).split('/');
      let node = root;
      for (const part of parts.slice(0, -1)) {
        if (!node.folders.has(part)) node.folders.set(part, { folders: new Map(), files: [] });
        node = node.folders.get(part);
      }
      node.files.push(file);
    }
    const out = [];
    const walk = async (node) => {
      const byName = new Map([...node.files.map((f) => [f.name, f]), ...[...node.folders].map(([n, f]) => [n, f])]);
      for (const name of await this.sorted([...byName.keys()])) {
        const item = byName.get(name);
        if (item instanceof File) {
          if (this.accepts(name)) out.push(plainEntry(item, item.webkitRelativePath));
        } else {
          await walk(item);
        }
      }
    };
    await walk(root);
    return out;
  }

  // A folder as a directory handle (folder picker, or a drop in browsers that give handles).
  async fromDirectoryHandle(folder, path = folder.name) {
    const children = new Map();
    for await (const [name, handle] of folder.entries()) children.set(name, handle);
    const out = [];
    for (const name of await this.sorted([...children.keys()])) {
      const handle = children.get(name);
      if (handle.kind === 'directory') out.push(...(await this.fromDirectoryHandle(handle, `${path}/${name}`)));
      else if (this.accepts(name)) out.push({ name, path: `${path}/${name}`, getFile: () => handle.getFile(), folder });
    }
    return out;
  }

  // A drop: file system handles where the browser gives them (they allow saving beside the
  // source), else the older entries API, else plain files.
  async fromDrop(dataTransfer) {
    // Everything is taken from the items before the first await: the browser empties the
    // drop's data once the event handler returns.
    const items = [...dataTransfer.items]
      .filter((i) => i.kind === 'file')
      .map((i) => ({ handle: i.getAsFileSystemHandle?.(), entry: i.webkitGetAsEntry?.(), file: i.getAsFile() }));
    const out = [];
    for (const { handle: pending, entry, file } of items) {
      const handle = await pending?.catch(() => null);
      if (handle?.kind === 'directory') out.push(...(await this.fromDirectoryHandle(handle)));
      else if (handle) {
        if (this.accepts(handle.name)) out.push({ name: handle.name, path: handle.name, getFile: () => handle.getFile(), folder: null });
      } else if (entry) out.push(...(await this.fromEntry(entry)));
      else if (file && this.accepts(file.name)) out.push(plainEntry(file, file.name));
    }
    return out;
  }

  async fromEntry(entry) {
    if (entry.isFile) {
      if (!this.accepts(entry.name)) return [];
      const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
      return [plainEntry(file, entry.fullPath.replace(/^\//, ''))];
    }
    const reader = entry.createReader();
    const children = new Map();
    // readEntries answers in batches until it answers with none.
    for (;;) {
      const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
      if (!batch.length) break;
      for (const child of batch) children.set(child.name, child);
    }
    const out = [];
    for (const name of await this.sorted([...children.keys()])) out.push(...(await this.fromEntry(children.get(name))));
    return out;
  }

  sorted(names) {
    return names.length < 2 ? names : this.client.call('sortNames', { names });
  }
}

function plainEntry(file, path) {
  return { name: file.name, path, getFile: async () => file, folder: null };
}
