// The About box: title and version, the publisher's copyright notice and two link buttons that
// open the publisher's homepage and a mail to the publisher.
#pragma once
#include "framework/dialog.h"

class CAboutDlg : public CDialogLite {
 public:
  explicit CAboutDlg(HWND parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void OnHomepage();
  void OnEmail();
};
