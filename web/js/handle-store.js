// Keeps the base folder's handle between visits. A directory handle cannot live in
// localStorage; IndexedDB stores it as it is, and the browser asks again for permission to
// write when its policy requires.
const DATABASE = 'pictorel';
const STORE = 'handles';

function open() {
  return new Promise((resolve, reject) => {
    const request = indexedDB.open(DATABASE, 1);
    request.onupgradeneeded = () => request.result.createObjectStore(STORE);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

async function transact(mode, work) {
  const db = await open();
  try {
    return await new Promise((resolve, reject) => {
      const tx = db.transaction(STORE, mode);
      const request = work(tx.objectStore(STORE));
      tx.oncomplete = () => resolve(request.result);
      tx.onerror = () => reject(tx.error);
      tx.onabort = () => reject(tx.error);
    });
  } finally {
    db.close();
  }
}

export function loadHandle(key) {
  return transact('readonly', (store) => store.get(key)).catch(() => undefined);
}

export function saveHandle(key, handle) {
  return transact('readwrite', (store) => store.put(handle, key));
}

// True when the handle may be written now, asking the user when the browser wants that
// (which it only allows during a click).
export async function mayWrite(handle) {
  const options = { mode: 'readwrite' };
  if ((await handle.queryPermission?.(options)) === 'granted') return true;
  if (!handle.requestPermission) return true;
  return (await handle.requestPermission(options)) === 'granted';
}
