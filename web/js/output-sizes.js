// 出力サイズ: the drop-down under the folder name and its dialog. The page has no settings file,
// so the user's sizes live in the browser's storage as the desktop's settings text; the core
// reads it (skipping a damaged entry by its rules), writes it, labels every size and refuses
// what it would not keep. This file only moves values between the controls and the core.
import { showError } from './message-box.js';

const STORE_KEY = 'pictorel.settings';
const $ = (id) => document.getElementById(id);

function readStored() {
  try {
    return localStorage.getItem(STORE_KEY) || '';
  } catch {
    return ''; // storage is off (a private window): the page starts with the default alone
  }
}

function option(text, value) {
  return Object.assign(document.createElement('option'), { textContent: text, value: String(value) });
}

export class OutputSizes {
  constructor(client) {
    this.client = client;
    this.stored = '';
    this.standard = null;
    this.sizes = [];
    this.chosenName = '';
  }

  async load() {
    this.stored = readStored();
    const read = await this.client.call('outputSizes', { stored: this.stored });
    this.standard = read.standard;
    this.sizes = read.sizes;
    this.chosenName = read.chosen;
    this.fillDropDown();
    $('outputSizeSelect').addEventListener('change', (event) => this.picked(Number(event.target.value)).catch(reportStoreFailure));
    $('outputSizesButton').addEventListener('click', () => this.openDialog());
    this.wireDialog();
  }

  // The size the next automatic run uses.
  get chosen() {
    return this.sizes.find((s) => s.name === this.chosenName) || this.standard;
  }

  fillDropDown() {
    const select = $('outputSizeSelect');
    select.replaceChildren(option(this.standard.label, 0), ...this.sizes.map((s, i) => option(s.label, i + 1)));
    const index = this.sizes.findIndex((s) => s.name === this.chosenName);
    select.value = String(index + 1);
  }

  async picked(index) {
    this.chosenName = index > 0 ? this.sizes[index - 1].name : '';
    this.keep(await this.client.call('chooseOutputSize', { stored: this.stored, name: this.chosenName }));
  }

  keep(text) {
    this.stored = text;
    localStorage.setItem(STORE_KEY, text);
  }

  // ---- The dialog ----

  openDialog() {
    this.fillList(-1);
    this.showFields(this.standard);
    $('sizeProblem').textContent = '';
    $('sizesDialog').showModal();
    $('sizeName').focus();
  }

  wireDialog() {
    $('sizeList').addEventListener('change', () => {
      const size = this.sizes[$('sizeList').selectedIndex];
      if (size) this.showFields(size);
      $('sizeProblem').textContent = '';
    });
    $('sizeShape').addEventListener('change', () => ($('sizeBoxPart').hidden = $('sizeShape').value !== 'box'));
    $('sizeCapCheck').addEventListener('change', () => ($('sizeCap').disabled = !$('sizeCapCheck').checked));
    $('sizeAddButton').addEventListener('click', () => this.edit('add'));
    $('sizeChangeButton').addEventListener('click', () => this.edit('change'));
    $('sizeRemoveButton').addEventListener('click', () => this.edit('remove'));
    $('sizeCloseButton').addEventListener('click', () => $('sizesDialog').close());
  }

  fillList(selected) {
    $('sizeList').replaceChildren(...this.sizes.map((s, i) => option(s.label, i)));
    $('sizeList').selectedIndex = selected;
  }

  showFields(size) {
    const box = size.boxWidth > 0 && size.boxHeight > 0;
    $('sizeName').value = size.name;
    $('sizeShape').value = box ? 'box' : 'side';
    $('sizeBoxPart').hidden = !box;
    $('sizeSide').value = String(box ? size.boxWidth : size.maxSide);
    $('sizeHeight').value = String(box ? size.boxHeight : size.maxSide);
    $('sizeQuality').value = String(size.quality);
    $('sizeCapCheck').checked = size.capKb !== null;
    $('sizeCap').disabled = size.capKb === null;
    if (size.capKb !== null) $('sizeCap').value = String(size.capKb);
  }

  // The fields as the core reads a size; an empty or broken number goes as NaN, which the
  // core refuses with its own words.
  fieldsSize() {
    const number = (id) => ($(id).value.trim() === '' ? Number.NaN : Number($(id).value));
    const box = $('sizeShape').value === 'box';
    return {
      name: $('sizeName').value,
      maxSide: box ? 0 : number('sizeSide'),
      boxWidth: box ? number('sizeSide') : 0,
      boxHeight: box ? number('sizeHeight') : 0,
      quality: number('sizeQuality'),
      capKb: $('sizeCapCheck').checked ? number('sizeCap') : null,
    };
  }

  // One edit at a time, in the order of the clicks: a second click while the first is still
  // with the core must see the list the first one made (a double click on 追加 is then refused
  // as a repeated name, not taken from the list as it was before).
  edit(action) {
    this.editing = (this.editing ?? Promise.resolve()).catch(() => {}).then(() => this.editNow(action));
    return this.editing;
  }

  async editNow(action) {
    const index = $('sizeList').selectedIndex;
    const answer = await this.client.call('editOutputSizes', { sizes: this.sizes, action, index, size: this.fieldsSize() });
    $('sizeProblem').textContent = answer.problem;
    if (answer.problem) return;
    let stored;
    try {
      stored = await this.client.call('storeOutputSizes', { stored: this.stored, sizes: answer.sizes, chosen: this.chosenName });
    } catch (error) {
      $('sizeProblem').textContent = error.message;
      return;
    }
    this.sizes = answer.sizes;
    this.chosenName = stored.chosen;
    const selected = action === 'add' ? this.sizes.length - 1 : action === 'change' ? index : -1;
    this.fillList(selected);
    this.fillDropDown();
    try {
      this.keep(stored.stored);
    } catch (error) {
      // Told in the dialog: a message box would open behind it.
      $('sizeProblem').textContent = storeFailureText(error);
    }
  }
}

// The browser refused to keep the sizes (storage full or off): they hold for this visit only.
function storeFailureText(error) {
  return `出力サイズを保存できませんでした。\n${error.message || error}`;
}

function reportStoreFailure(error) {
  showError(storeFailureText(error));
}
