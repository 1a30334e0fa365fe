// The page's side of the core workers. Every core call is a message to a worker holding one
// instance of the WebAssembly core (core-worker.js); this file numbers the requests, hands
// large buffers over without copying and turns the worker's replies back into promises.

const WORKER_URL = new URL('./core-worker.js', import.meta.url);
const CORE_URL = new URL('../core/pictorel-core.wasm', import.meta.url);

// The core is compiled once for the page and the compiled module handed to every worker: each
// worker compiling its own copy kept the processors busy at the moment a run starts, and the
// browser's optimised code for the hot loops is then shared instead of made once per worker.
// A browser that cannot compile it here (an old one, or a host serving the .wasm with another
// type) gets null, and each worker loads the core itself as before.
let compiled = null;
function compiledCore() {
  compiled ??= (async () => {
    try {
      const response = await fetch(CORE_URL);
      if (!response.ok) return null;
      // Compiling while the bytes arrive needs the host to name the type; otherwise whole.
      if (response.headers.get('content-type')?.startsWith('application/wasm'))
        return await WebAssembly.compileStreaming(response);
      return await WebAssembly.compile(await response.arrayBuffer());
    } catch {
      return null;
    }
  })();
  return compiled;
}

export class CoreError extends Error {
  constructor(message, cause) {
    super(message);
    this.name = 'CoreError';
    this.coreCause = cause || '';
  }
}

export class CoreWorker {
  constructor() {
    this.worker = new Worker(WORKER_URL, { type: 'module', name: 'pictorel-core' });
    this.nextId = 1;
    this.pending = new Map();
    this.ended = false;
    this.worker.onmessage = (event) => this.settle(event.data);
    this.worker.onerror = (event) => this.failAll(event.message || 'the core worker stopped');
    // The compiled module goes first; every request is posted after it, in the order asked.
    this.started = compiledCore().then((module) => {
      try {
        this.worker.postMessage({ op: 'start', args: { module } });
      } catch {
        this.worker.postMessage({ op: 'start', args: { module: null } });
      }
    });
    this.ready = this.call('setup');
    // A worker ended before it answered (terminate) leaves no unhandled failure behind; whoever
    // waits for `ready` still sees it.
    this.ready.catch(() => {});
  }

  // Sends one request; `transfer` lists buffers given to the worker (they are gone here after).
  call(op, args = {}, transfer = []) {
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      this.started
        .then(() => this.worker.postMessage({ id, op, args }, transfer))
        .catch((error) => {
          this.pending.delete(id);
          reject(error);
        });
    });
  }

  // Whether a request is still waiting for its answer.
  get busy() {
    return this.pending.size > 0;
  }

  settle({ id, ok, value, message, cause }) {
    const waiting = this.pending.get(id);
    if (!waiting) return;
    this.pending.delete(id);
    if (ok) waiting.resolve(value);
    else waiting.reject(new CoreError(message, cause));
  }

  failAll(text) {
    const error = new CoreError(`Pictorel の計算部を起動できませんでした: ${text}`);
    for (const waiting of this.pending.values()) waiting.reject(error);
    this.pending.clear();
  }

  terminate() {
    this.ended = true;
    this.worker.terminate();
    this.failAll('stopped');
  }
}

// How many core instances the automatic run starts: one per logical processor, but no more
// than the device's memory carries. An instance may take up to its 1 GiB budget on a huge
// picture; a 24 MP photo shrunk row by row stays far below, so half a GiB each is assumed.
// `?jobs=N` in the page's address sets the number (benchmarks compare equal job counts).
export function workerCount(location = globalThis.location) {
  const asked = Number.parseInt(new URLSearchParams(location?.search || '').get('jobs') || '', 10);
  if (Number.isInteger(asked) && asked > 0) return Math.min(asked, 64);
  const processors = navigator.hardwareConcurrency || 2;
  const memoryGiB = navigator.deviceMemory || 4;
  const byMemory = Math.max(1, Math.floor(memoryGiB / 0.5));
  return Math.max(1, Math.min(processors, byMemory));
}

// A fixed set of workers taking jobs from one queue.
export class WorkerPool {
  constructor(size) {
    this.workers = Array.from({ length: size }, () => new CoreWorker());
    this.idle = [...this.workers];
    this.waiting = [];
  }

  get ready() {
    return Promise.all(this.workers.map((w) => w.ready));
  }

  async run(op, args, transfer) {
    const worker = this.idle.pop() || (await new Promise((resolve) => this.waiting.push(resolve)));
    try {
      return await worker.call(op, args, transfer);
    } finally {
      const next = this.waiting.shift();
      if (next) next(worker);
      else this.idle.push(worker);
    }
  }

  terminate() {
    for (const w of this.workers) w.terminate();
  }
}
