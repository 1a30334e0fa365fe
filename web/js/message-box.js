// The program's three message boxes, as modal dialogs of the page: error ("エラー", OK),
// confirmation ("確認", はい/いいえ or OK alone) and plain (the program's title, OK). Each
// returns a promise of the button pressed; only "yes" leads to a confirmation's action.
const box = () => document.getElementById('messageBox');

function show(title, text, buttons) {
  const dialog = box();
  document.getElementById('messageTitle').textContent = title;
  document.getElementById('messageText').textContent = text;
  const row = document.getElementById('messageButtons');
  row.replaceChildren();
  return new Promise((resolve) => {
    const finish = (answer) => {
      dialog.hidden = true;
      document.removeEventListener('keydown', onKey, true);
      resolve(answer);
    };
    const onKey = (event) => {
      if (event.key === 'Escape') {
        event.preventDefault();
        event.stopPropagation();
        finish(buttons.at(-1).answer);
        return;
      }
      // The desktop's mnemonics: Y answers はい, N answers いいえ.
      const mnemonic = buttons.find((b) => b.key && b.key === event.key.toLowerCase());
      if (mnemonic) {
        event.preventDefault();
        event.stopPropagation();
        finish(mnemonic.answer);
      }
    };
    for (const { label, answer } of buttons) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = label;
      button.dataset.answer = answer;
      button.addEventListener('click', () => finish(answer));
      row.append(button);
    }
    document.addEventListener('keydown', onKey, true);
    dialog.hidden = false;
    row.firstElementChild.focus();
  });
}

export const showError = (text) => show('エラー', text, [{ label: 'OK', answer: 'ok' }]);
export const askYesNo = (text) =>
  show('確認', text, [
    { label: 'はい(Y)', answer: 'yes', key: 'y' },
    { label: 'いいえ(N)', answer: 'no', key: 'n' },
  ]);
export const confirmOk = (text) => show('確認', text, [{ label: 'OK', answer: 'ok' }]);
export const showPlain = (text) => show('Pictorel', text, [{ label: 'OK', answer: 'ok' }]);
