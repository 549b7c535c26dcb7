#include "model/appstate.h"

#include <cstdio>

#include "config/log.h"

AppState GApp;
int GCompressionMethod = CM_NONE;
RBTree* TVRBTreeFolder = nullptr;
RBTree* TVRBTreeMembers = nullptr;
RBTree* TVRBTreePaths = nullptr;
RBTree* TVRBTreeDataReady = nullptr;
RBTree* TVRBTreeCombo = nullptr;

void SetCompressionMethod(int method)
{
    GCompressionMethod = method;
}

HWND GetViewList(void)
{
    if (GApp.hwndFocusView && GApp.hwndFocusView == GApp.hwndTree) {
        LogPrint(9, GApp.verbose, "GetViewList returns tree_list");
        return GApp.hwndTreeList;
    }
    LogPrint(9, GApp.verbose, "GetViewList returns list");
    return GApp.hwndList;
}
