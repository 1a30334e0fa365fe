// The results list after a run: each picture with its result's name and size, or its failure
// in the program's words with the cause beneath, or that it was not saved (edited run).
const $ = (id) => document.getElementById(id);

export function formatSize(bytes) {
  return bytes < 1024 ? `${bytes} B` : `${(bytes / 1024).toFixed(1)} KB`;
}

function cell(...content) {
  const td = document.createElement('td');
  td.append(...content);
  return td;
}

function lines(className, texts) {
  return texts.map((text) => Object.assign(document.createElement('span'), { className, textContent: text }));
}

function findingList(findings) {
  const list = document.createElement('ul');
  list.className = 'findings';
  list.append(...findings.map((f) => Object.assign(document.createElement('li'), { textContent: f.text })));
  return list;
}

function row(outcome, findings) {
  const tr = document.createElement('tr');
  const source = cell(outcome.entry.path);
  source.className = 'file-name';
  if (outcome.message) {
    tr.className = 'failed';
    const message = document.createElement('span');
    message.textContent = outcome.message;
    const parts = [message];
    if (outcome.cause) {
      const cause = document.createElement('span');
      cause.className = 'cause';
      cause.textContent = outcome.cause;
      parts.push(cause);
    }
    tr.append(source, cell(...parts), cell(''));
    if (findings) tr.append(cell(''));
  } else if (outcome.name) {
    // What the file-size cap lowered stands beside the file it concerns.
    const name = cell(outcome.name, ...lines('lowering', outcome.lowerings || []));
    name.className = 'file-name';
    const size = cell(formatSize(outcome.size));
    size.className = 'size';
    size.dataset.bytes = String(outcome.size);
    tr.append(source, name, size);
    if (findings) {
      const found = findings.get(outcome) || [];
      const checkCell = found.length ? cell(findingList(found)) : cell('');
      checkCell.className = 'check';
      tr.append(checkCell);
    }
  } else {
    tr.className = 'skipped';
    tr.append(source, cell('（保存していません）'), cell(''));
    if (findings) tr.append(cell(''));
  }
  return tr;
}

// `check` is the core's check before publishing (automatic run), its photos in the order of the
// written outcomes; `saveCheck` offers check.csv.
export function showResults({ heading, outcomes, destination, saved, download, check, saveCheck }) {
  $('resultsHeading').textContent = heading;
  const places = [...new Set(outcomes.filter((o) => o.where).map((o) => o.where))];
  $('resultsDestination').textContent = places.length ? `保存先：${places.join('、')}` : '';
  let findings = null;
  if (check) {
    findings = new Map();
    const checked = outcomes.filter((o) => o.name && o.facts);
    check.photos.forEach((photo, i) => findings.set(checked[i], photo.findings));
  }
  $('resultsBody').replaceChildren(...outcomes.map((o) => row(o, findings)));
  $('checkColumn').hidden = !check;
  $('checkColumn').textContent = check ? check.title : '';
  $('checkSection').hidden = !check;
  if (check) {
    $('checkTitle').textContent = check.title;
    $('checkSummary').textContent = check.summary;
    const button = $('saveCheckButton');
    button.disabled = false;
    button.onclick = async () => {
      // Saved once is enough: a second press would only add check-1.csv.
      button.disabled = true;
      if (!(await saveCheck())) button.disabled = false;
    };
  }
  const zipButton = $('downloadZipButton');
  zipButton.hidden = !saved.zip;
  zipButton.onclick = saved.zip ? () => download(saved.zip, saved.zipName) : null;
  void destination;
}
