#include "workflow/EditedRun.h"

#include <string>

#include "workflow/RunDestination.h"

namespace pictorel {

void EditedRun(MainScreen& main, EditorModel& editor, IEditorHost& host) {
    RunDestination destination;
    if (!main.StartRun(destination)) return;

    // The editor cannot change the selection while it is shown, but a copy
    // keeps the walk safe whatever the host does.
    const std::vector<std::string> files = main.SelectedFiles;
    int unsaved = 0;
    for (const std::string& file : files) {
        editor.SourcePath = file;
        editor.ShowMarker(false);

        const EditorExit exit = host.ShowModal(editor);
        if (exit == EditorExit::Save) {
            const Bitmap* picture = editor.Result ? &*editor.Result : nullptr;
            if (!main.SaveResult(picture, destination.OutputPathFor(file))) ++unsaved;
        } else if (exit == EditorExit::StopAll) {
            if (destination.SameFolder() && destination.FolderToOpen().empty())
                destination.PrefixFor(file);
            main.FinishRun(destination, RunEndQuestion(true, unsaved));
            return;
        }
    }
    main.FinishRun(destination, RunEndQuestion(false, unsaved));
}

}  // namespace pictorel
