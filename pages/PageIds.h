// Page identifiers; each equals the page's tab position.
#pragma once

enum PageId : int {
    kSetupPage = 0,
    kGeneralPage = 1,
    kTreeViewPage = 2,
    kListView1Page = 3,
    kListView2Page = 4,
    kVersionPage = 5,
    kPageCount = 6,
};
