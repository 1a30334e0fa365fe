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

function row(outcome) {
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
  } else if (outcome.name) {
    const name = cell(outcome.name);
    name.className = 'file-name';
    const size = cell(formatSize(outcome.size));
    size.className = 'size';
    size.dataset.bytes = String(outcome.size);
    tr.append(source, name, size);
  } else {
    tr.className = 'skipped';
    tr.append(source, cell('（保存していません）'), cell(''));
  }
  return tr;
}

export function showResults({ heading, outcomes, destination, saved, download }) {
  $('resultsHeading').textContent = heading;
  const places = [...new Set(outcomes.filter((o) => o.where).map((o) => o.where))];
  $('resultsDestination').textContent = places.length ? `保存先：${places.join('、')}` : '';
  $('resultsBody').replaceChildren(...outcomes.map(row));
  const zipButton = $('downloadZipButton');
  zipButton.hidden = !saved.zip;
  zipButton.onclick = saved.zip ? () => download(saved.zip, saved.zipName) : null;
  void destination;
}
