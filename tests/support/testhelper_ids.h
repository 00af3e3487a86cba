// Control identifiers of the demo dialog of testhelper.exe (/dialog).
#pragma once
#define IDD_HELPER_DEMO 100
#define IDC_DEMO_STATUS 1001    // static: "Ready", then what happened ("Changed", "Answer <n>")
#define IDC_DEMO_CHANGE 1002    // push button: sets the status to "Changed"
#define IDC_DEMO_ASK 1003       // push button: Yes/No/Cancel message box, status = "Answer <id>"
#define IDC_DEMO_OPTION 1004    // auto check box
#define IDC_DEMO_DISABLED 1005  // disabled push button: status = "Disabled clicked" (must never happen)
#define IDC_DEMO_LIST 1006      // report list view, 3 columns, rows filled at start
#define IDC_DEMO_PROGRESS 1007  // progress bar 0..100 at 40
