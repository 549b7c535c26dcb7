// Modal dialogs built from an in-memory template without controls: every user creates its
// controls at WM_INITDIALOG and replaces the caption.
#pragma once
#include <windows.h>

// Runs `proc` modally from a control-less template captioned "Configuration", owned by the
// current foreground window when it belongs to this process (else by none), with the
// program's module as instance. `resizable` adds the
// resize frame and the minimize/maximize boxes, `sysMenu` the system menu. `param` reaches
// WM_INITDIALOG as lParam. Returns the dialog's end code (-1 when it could not be created).
INT_PTR ShowTemplateDialog(DLGPROC proc, int resizable, int sysMenu, LPARAM param = 0);
// The same with an explicit owner window (null: the foreground window, as above).
INT_PTR ShowTemplateDialogOwned(HWND owner, DLGPROC proc, int resizable, int sysMenu, LPARAM param = 0);
// Short form: system menu, no resize frame.
INT_PTR ShowTemplateDialogShort(DLGPROC proc, LPARAM param = 0);
