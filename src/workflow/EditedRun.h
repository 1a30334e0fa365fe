// The edited run ("切り抜き・回転等の画像処理をして保存"): the editor is shown
// modally for each selected file, and its result decides save, skip or stop.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "editor/EditorModel.h"
#include "workflow/MainScreen.h"

namespace pictorel {

// The editor window's title for one photo of a run: its file name and its
// place among the run's photos, "IMG_1007.jpg (3 / 20)", so that the user
// always knows which photo is shown and how many are left. `number` counts
// from 1.
std::string EditorCaption(const std::string& path, std::size_t number, std::size_t count);

// Shows the editor window modally. The host clears editor.Exit, shows
// `caption` as the window's title, runs editor.Load() as the window opens,
// lets the user work, and returns how the editing ended.
class IEditorHost {
  public:
    virtual ~IEditorHost() = default;
    virtual EditorExit ShowModal(EditorModel& editor, const std::string& caption) = 0;
};

// Walks main.SelectedFiles in order after the shared run start. Each file
// starts with the marker hidden. Save writes the result as a JPEG, StopAll
// asks the stop-all question and ends the run, anything else skips the file;
// at the end the completion question is asked. A photo that cannot be read
// (told by the editor as it loads) and a result that cannot be written (told
// in its own box) are counted, and the closing question then says how many
// files were not saved. Either way the selection is emptied.
//
// Stop all in same-folder mode before anything was saved: no prefix exists
// yet, so Yes opens the folder of the file in hand.
//
// While the user edits one photo, the next one is loaded on another thread
// with `load` (at most one ahead), so that the editor shows it at once; a
// failed load of that photo is told when its turn comes, as Load tells it.
using PictureLoader = std::function<PreparedPicture(const std::string& path)>;
void EditedRun(MainScreen& main, EditorModel& editor, IEditorHost& host,
               PictureLoader load = PreparePicture);

}  // namespace pictorel
