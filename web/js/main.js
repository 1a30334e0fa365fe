// The main screen: choosing pictures, naming the output folder, starting a run, and the
// results. Rules come from the core (core-worker.js); this file only wires the page to them.
import { CoreWorker, WorkerPool, workerCount } from './core-client.js';
import { PictureSelector } from './selection.js';
import { usedFolderNames, rememberFolderName } from './folder-history.js';
import { showError, askYesNo, confirmOk, showPlain } from './message-box.js';
import { OutputSizes } from './output-sizes.js';
import {
  BaseFolder,
  BesideSourceDestination,
  FolderDestination,
  ZipDestination,
  downloadBlob,
  folderPickerAvailable,
  subfolderExists,
} from './destination.js';
import { mayWrite } from './handle-store.js';
import { runAutomatic } from './automatic-run.js';
import { runEdited, prepareEditorWorkers, prefetchFirstPicture, setEditorAside, warmUpEditor } from './edited-run.js';
import { showResults } from './results.js';

const $ = (id) => document.getElementById(id);

const client = new CoreWorker();
// The workers the runs need start with the page too, beside the first, so that they are ready
// by the time pictures are chosen: the automatic run's pool and the editor's first session
// (a second one joins once the core says sessions can hand their state over).
const pool = new WorkerPool(workerCount());
prepareEditorWorkers(false);
const baseFolder = new BaseFolder();
let texts = null; // the core's fixed texts (see core-worker.js setup)
let twoSessions = false;
let selector = null;
let selection = [];
let running = false;
let outputSizes = null;

async function start() {
  try {
    const setup = await client.ready;
    texts = setup.texts;
    twoSessions = setup.twoSessions;
    selector = new PictureSelector(client, setup.extensions);
    warmUpEditor(twoSessions);
  } catch (error) {
    $('loadProblem').textContent = `Pictorel を開始できませんでした。${error.message}`;
    $('loadProblem').hidden = false;
    document.body.dataset.ready = 'failed';
    return;
  }
  try {
    outputSizes = new OutputSizes(client);
    await outputSizes.load();
  } catch (error) {
    reportUnexpected(error);
  }
  $('pictureInput').accept = selector.acceptList();
  wireSelection();
  wireProcessing();
  $('baseFolderButton').hidden = !folderPickerAvailable();
  $('baseFolderButton').addEventListener('click', () => pickBaseFolder().catch(reportUnexpected));
  $('backToSelectionButton').addEventListener('click', () => showScreen('selection'));
  showScreen('selection');
  document.body.dataset.ready = 'yes';
  if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
}

function showScreen(which) {
  $('selectionScreen').hidden = which !== 'selection';
  $('processingScreen').hidden = which !== 'processing';
  $('resultsScreen').hidden = which !== 'results';
  $('screenTitle').textContent = which === 'processing' ? '処理選択' : which === 'results' ? '処理結果' : '画像選択';
  $('selectedCount').textContent = `選択ファイル数：${which === 'processing' ? selection.length : 0}`;
  if (which === 'selection') selection = [];
}

// ---- Selection ----

function wireSelection() {
  $('choosePicturesButton').addEventListener('click', () => $('pictureInput').click());
  $('pictureInput').addEventListener('change', (event) => {
    choose(() => selector.fromFiles(event.target.files));
    event.target.value = '';
  });
  $('chooseFolderButton').addEventListener('click', async () => {
    if (!folderPickerAvailable()) return $('folderInput').click();
    let folder;
    try {
      folder = await globalThis.showDirectoryPicker({ id: 'pictorel-sources', mode: 'read' });
    } catch (error) {
      if (error.name !== 'AbortError') reportUnexpected(error);
      return;
    }
    choose(() => selector.fromDirectoryHandle(folder));
  });
  $('folderInput').addEventListener('change', (event) => {
    const files = [...event.target.files];
    choose(() => selector.fromFolderInput(files));
    event.target.value = '';
  });
  const area = $('dropArea');
  area.addEventListener('dragover', (event) => {
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
    area.classList.add('over');
  });
  area.addEventListener('dragleave', () => area.classList.remove('over'));
  area.addEventListener('drop', (event) => {
    event.preventDefault();
    area.classList.remove('over');
    choose(() => selector.fromDrop(event.dataTransfer));
  });
  area.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' || event.key === ' ') $('pictureInput').click();
  });
  // A drop beside the frame would make the browser open the file in place of the page.
  window.addEventListener('dragover', (event) => event.preventDefault());
  window.addEventListener('drop', (event) => event.preventDefault());
}

async function choose(collect) {
  if (running) return;
  let entries;
  try {
    entries = await collect();
  } catch (error) {
    return reportUnexpected(error);
  }
  if (!entries.length) return; // nothing the core reads: the desktop's drop ignores it too
  selection = entries;
  $('selectedList').replaceChildren(...entries.map((e) => Object.assign(document.createElement('li'), { textContent: e.path })));
  $('folderNameField').value = '';
  $('runGroup').hidden = true;
  // The editor's first picture is decoded while the page lists the folder names and the user
  // types one.
  prefetchFirstPicture(entries[0], twoSessions);
  await fillFolderNames();
  showScreen('processing');
  $('folderNameField').focus();
}

// ---- Folder name and the runs ----

async function fillFolderNames() {
  const names = [texts.sameFolderItem, ...usedFolderNames()];
  try {
    for (const name of await baseFolder.subfolderNames()) if (!names.includes(name)) names.push(name);
  } catch {
    // An unreadable base folder offers the names used before only, as the desktop does.
  }
  const base = folderPickerAvailable() ? await baseFolder.handle() : null;
  $('baseFolderLine').hidden = !base;
  $('baseFolderName').textContent = base ? base.name : '';
  $('folderNameList').replaceChildren(...names.map((n) => Object.assign(document.createElement('option'), { value: n })));
}

function wireProcessing() {
  const field = $('folderNameField');
  field.addEventListener('input', async () => {
    const typed = field.value;
    const shown = await client.call('folderNameEntered', { name: typed });
    if (field.value === typed) $('runGroup').hidden = !shown;
  });
  $('automaticRunButton').addEventListener('click', () => startRun('automatic'));
  $('editedRunButton').addEventListener('click', () => startRun('edited'));
  $('clearSelectionButton').addEventListener('click', () => showScreen('selection'));
}

async function startRun(kind) {
  if (running || !selection.length) return;
  running = true;
  try {
    const destination = await prepareDestination();
    if (!destination) return;
    const entries = selection;
    if (kind === 'automatic') setEditorAside(twoSessions);
    // Every automatic run is checked before publishing: its shrinks bring the facts along.
    const outputSize = outputSizes.chosen;
    const result =
      kind === 'automatic'
        ? await runAutomatic({
            entries,
            pool,
            destination,
            progress: progressWindow(),
            stopRequested: () => progressWindow().stopped,
            outputSize,
            check: true,
          })
        : await runEdited({ entries, destination, twoSessions });
    await finishRun(kind, result, destination, outputSize);
  } catch (error) {
    reportUnexpected(error);
  } finally {
    progressWindow().hide();
    running = false;
  }
}

// The destination for the typed name, after the desktop's checks and questions; null when the
// run must not start (the field has the focus again).
async function prepareDestination() {
  const field = $('folderNameField');
  const typed = field.value;
  if (typed === texts.sameFolderItem) return new BesideSourceDestination(client);
  const check = await client.call('checkFolderName', { name: typed });
  if (check.problem) {
    await showError(check.problem);
    field.focus();
    return null;
  }
  const name = check.name;
  rememberFolderName(name);
  if (!folderPickerAvailable()) return new ZipDestination(client, name);

  let base = await baseFolder.handle();
  if (!base || !(await mayWrite(base).catch(() => false))) base = await pickBaseFolder();
  if (!base) return null;
  if (await subfolderExists(base, name)) {
    if ((await askYesNo(texts.folderExistsQuestion)) === 'yes') {
      await confirmOk(texts.otherNameMessage);
      field.focus();
      return null;
    }
  }
  try {
    return new FolderDestination(client, await base.getDirectoryHandle(name, { create: true }), `${base.name}/${name}`);
  } catch {
    await showError(await client.call('folderFailedMessage', { folder: `${base.name}/${name}/` }));
    await pickBaseFolder();
    return null;
  }
}

async function pickBaseFolder() {
  try {
    return await baseFolder.pick();
  } catch (error) {
    if (error.name !== 'AbortError') await showError(texts.baseFolderFailedMessage);
    return null;
  }
}

async function finishRun(kind, { outcomes, stopped, saved }, destination, outputSize) {
  progressWindow().hide();
  const failed = outcomes.filter((o) => o.message).length;
  const lowered = outcomes.filter((o) => o.lowerings?.length && !o.overCap).length;
  const overCap = outcomes.filter((o) => o.lowerings?.length && o.overCap).length;
  const heading = await client.call('finalText', { kind, stopped, failed, lowered, overCap });
  const check = kind === 'automatic' ? await checkBeforePublishing(outcomes, outputSize) : null;
  const saveCheck = () => saveCheckCsv(check, destination);
  showResults({ heading, outcomes, destination, saved, download: downloadBlob, check, saveCheck });
  if (saved.zip) downloadBlob(saved.zip, saved.zipName);
  showScreen('results');
}

// ---- The check before publishing ----

// The core's check over the photos the run saved (in one worker, as one run); null when none.
async function checkBeforePublishing(outcomes, outputSize) {
  const photos = outcomes
    .filter((o) => o.name && o.facts)
    .map((o) => ({ source: o.entry.path, result: `${o.where}/${o.name}`, bytes: o.size, quality: o.quality, facts: o.facts }));
  if (!photos.length) return null;
  return client.call('checkRun', { photos, size: outputSize });
}

// check.csv goes into the output folder beside the results, never over an earlier one; a run
// into a ZIP or beside the sources offers it as a download instead. True once it is saved.
async function saveCheckCsv(check, destination) {
  const bytes = check.csv; // the core's bytes, its byte-order mark included
  if (!(destination instanceof FolderDestination)) {
    downloadBlob(new Blob([bytes], { type: 'text/csv' }), await client.call('checkCsvName', { index: 0 }));
    return true;
  }
  try {
    const path = await destination.writeNew(bytes, (index) => client.call('checkCsvName', { index }));
    await showPlain(await client.call('checkCsvSavedText', { path }));
    return true;
  } catch (error) {
    await showError(error.message);
    return false;
  }
}

// ---- Progress window (automatic run) ----

let progress = null;
function progressWindow() {
  if (progress) return progress;
  let total = 0;
  const onKey = (event) => {
    if (event.key === 'Escape') {
      event.preventDefault();
      progress.stop();
    }
  };
  progress = {
    stopped: false,
    start(count) {
      total = count;
      this.stopped = false;
      $('stopButton').disabled = false;
      $('progressCaption').textContent = 'しばらくお待ち下さい ・・・・・';
      this.step(0, '');
      $('progressWindow').hidden = false;
      document.addEventListener('keydown', onKey);
      $('stopButton').focus();
    },
    current(path) {
      $('progressFile').textContent = path;
    },
    step(done, path) {
      const percent = total ? Math.floor((done * 100) / total) : 0;
      $('progressBar').style.width = `${percent}%`;
      $('progressPercent').textContent = `${percent}%`;
      $('progressCount').textContent = `${done} / ${total}`;
      if (path && !this.stopped) $('progressFile').textContent = path;
    },
    stop() {
      this.stopped = true;
      $('stopButton').disabled = true;
    },
    hide() {
      $('progressWindow').hidden = true;
      document.removeEventListener('keydown', onKey);
    },
  };
  $('stopButton').addEventListener('click', () => progress.stop());
  return progress;
}

function reportUnexpected(error) {
  console.error(error);
  showError(error.message || String(error));
}

start();
