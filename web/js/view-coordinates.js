// The one place where a pointer position becomes a position in the core's view pixels. The
// views are 400 x 400 canvases; CSS may scale them (a tablet's zoom, a smaller window), so
// the position is taken relative to the canvas's drawn box and scaled by the ratio of its
// pixel size to that box. The core receives whole pixels, as the desktop's mouse events
// give them.
export function viewPosition(canvas, event) {
  const box = canvas.getBoundingClientRect();
  const x = ((event.clientX - box.left) * canvas.width) / box.width;
  const y = ((event.clientY - box.top) * canvas.height) / box.height;
  return { x: Math.floor(x), y: Math.floor(y) };
}
