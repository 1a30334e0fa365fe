// The folder names used before, newest first, offered under the folder-name field.
const KEY = 'pictorel.folderNames';
const KEPT = 30;

export function usedFolderNames() {
  try {
    const names = JSON.parse(localStorage.getItem(KEY) || '[]');
    return Array.isArray(names) ? names.filter((n) => typeof n === 'string') : [];
  } catch {
    return [];
  }
}

export function rememberFolderName(name) {
  const names = [name, ...usedFolderNames().filter((n) => n !== name)].slice(0, KEPT);
  try {
    localStorage.setItem(KEY, JSON.stringify(names));
  } catch {
    // A full or disabled storage only loses the suggestion list, never the run.
  }
}
