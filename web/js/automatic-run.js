// The automatic run: every picture shrunk by the core on the worker pool, the results written
// in selection order (so names are decided in that order, as on the desktop), the progress
// shown, and a stop honoured after the pictures in hand.
//
// Outcomes, one per entry that was processed, in selection order:
//   { entry, name, size, where, quality, lowerings, overCap, facts }   written (`facts` with the
//                                                                        check, for checkRun)
//   { entry, message, cause }               the core's message for that file, or a write failure

// `outputSize` is the chosen size as the core gave it; `check` asks for the facts of the check
// before publishing.
export async function runAutomatic({ entries, pool, destination, progress, stopRequested, outputSize, check }) {
  const outcomes = [];
  const inFlight = new Map();
  // Pictures handed out ahead of the writer: enough to keep every worker busy, few enough
  // that a batch of large photos' results is never all held at once.
  const ahead = pool.workers.length * 2;
  let started = 0;
  let done = 0;

  const startNext = () => {
    const index = started++;
    const entry = entries[index];
    progress.current(entry.path);
    inFlight.set(index, shrinkOne(pool, entry, outputSize, check));
  };

  progress.start(entries.length);
  for (let written = 0; written < entries.length; ++written) {
    while (!stopRequested() && started < entries.length && started < written + ahead) startNext();
    if (!inFlight.has(written)) break; // stopped before this picture was taken in hand
    const result = await inFlight.get(written);
    inFlight.delete(written);
    const entry = entries[written];
    if (result.jpeg) {
      try {
        const written = await destination.write(entry, result.jpeg);
        const { quality, lowerings = [], overCap = false, facts } = result;
        outcomes.push({ entry, ...written, quality, lowerings, overCap, facts });
      } catch (error) {
        outcomes.push({ entry, message: error.message, cause: '' });
      }
    } else {
      outcomes.push({ entry, message: result.message, cause: result.cause });
    }
    progress.step(++done, entry.path);
  }
  return { outcomes, stopped: done < entries.length, saved: await destination.finish() };
}

async function shrinkOne(pool, entry, size, check) {
  // The browser could not read the file (moved, deleted, no permission): the core's reading
  // step never ran, so the message is the core's for an unreadable file and the cause is the
  // browser's own.
  const unreadable = async (cause) => ({
    message: await pool.run('unreadableFileMessage', { path: entry.path }),
    cause,
  });
  try {
    let file;
    try {
      file = await entry.getFile();
    } catch (error) {
      return await unreadable(error.message || String(error));
    }
    // The worker reads the file itself (core-worker.js): only the File goes over.
    const args = size ? { file, name: entry.name, size, check } : { file, name: entry.name };
    const result = await pool.run('shrink', args);
    return result.unreadable === undefined ? result : await unreadable(result.unreadable);
  } catch (error) {
    return { message: error.message, cause: error.coreCause };
  }
}
