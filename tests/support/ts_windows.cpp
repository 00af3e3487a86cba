// Reading and steering the windows of another process: lists, clicks, keys, message boxes, list views.
#include "testsupport.h"

#include <commctrl.h>

#include "handles.h"

namespace ts {

std::string WindowText(HWND hwnd) {
  // WM_GETTEXT is marshalled across processes; the time limit keeps a hung target from holding us.
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &len)) return std::string();
  if (len > 1 << 20) len = 1 << 20;
  std::string text(len + 1, '\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, len + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG, 2000, &got))
    return std::string();
  text.resize(got < len + 1 ? got : len);
  return text;
}

static std::string ClassOf(HWND hwnd) {
  char cls[256] = "";
  GetClassNameA(hwnd, cls, sizeof(cls));
  return cls;
}

static BOOL CALLBACK AddChild(HWND hwnd, LPARAM param) {
  auto* controls = reinterpret_cast<std::vector<ControlInfo>*>(param);
  ControlInfo c;
  c.hwnd = hwnd;
  c.id = GetDlgCtrlID(hwnd);
  c.cls = ClassOf(hwnd);
  c.text = WindowText(hwnd);
  c.enabled = IsWindowEnabled(hwnd) != 0;
  c.visible = IsWindowVisible(hwnd) != 0;
  controls->push_back(c);
  return TRUE;
}

namespace {
struct TopLevelSearch {
  DWORD pid;
  std::vector<HWND> found;
};
}  // namespace

static BOOL CALLBACK AddTopLevel(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<TopLevelSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid) s->found.push_back(hwnd);
  return TRUE;
}

std::vector<WindowInfo> ListWindows(DWORD pid) {
  TopLevelSearch search{pid, {}};
  EnumWindows(AddTopLevel, reinterpret_cast<LPARAM>(&search));
  std::vector<WindowInfo> out;
  for (HWND hwnd : search.found) {
    if (!IsWindow(hwnd)) continue;
    WindowInfo w;
    w.hwnd = hwnd;
    w.pid = pid;
    w.cls = ClassOf(hwnd);
    w.title = WindowText(hwnd);
    w.visible = IsWindowVisible(hwnd) != 0;
    GetWindowRect(hwnd, &w.rect);
    EnumChildWindows(hwnd, AddChild, reinterpret_cast<LPARAM>(&w.controls));
    out.push_back(w);
  }
  return out;
}

bool WaitUntil(std::function<bool()> pred, int timeoutMs, int stepMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if ((int)(GetTickCount() - start) >= timeoutMs) return pred();
    Sleep(stepMs > 0 ? stepMs : 1);
  }
}

bool WaitForWindow(DWORD pid, const char* cls, int timeoutMs, WindowInfo* out) {
  return WaitUntil(
      [&] {
        for (const WindowInfo& w : ListWindows(pid)) {
          if (w.visible && (!cls || !*cls || w.cls == cls)) {
            if (out) *out = w;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
}

const ControlInfo* FindControl(const WindowInfo& w, int id) {
  for (const ControlInfo& c : w.controls)
    if (c.id == id) return &c;
  return nullptr;
}

bool ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button || !IsWindowEnabled(button) || !IsWindowVisible(button)) return false;
  LONG_PTR type = GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK;
  bool toggles = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
                 type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
  if (toggles) return PostMessageA(button, BM_CLICK, 0, 0) != 0;
  return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)) != 0;
}

bool CloseWindowOf(HWND hwnd) { return IsWindow(hwnd) && PostMessageA(hwnd, WM_CLOSE, 0, 0) != 0; }

bool PressKey(HWND hwnd, UINT vk) {
  if (!IsWindow(hwnd)) return false;
  HWND target = hwnd;
  GUITHREADINFO gti;
  ZeroMemory(&gti, sizeof(gti));
  gti.cbSize = sizeof(gti);
  DWORD tid = GetWindowThreadProcessId(hwnd, nullptr);
  if (GetGUIThreadInfo(tid, &gti) && gti.hwndFocus && (gti.hwndFocus == hwnd || IsChild(hwnd, gti.hwndFocus)))
    target = gti.hwndFocus;
  UINT scan = MapVirtualKeyA(vk, 0);
  LPARAM down = 1 | (LPARAM(scan & 0xFF) << 16);
  LPARAM up = down | (LPARAM(1) << 30) | (LPARAM(1) << 31);
  return PostMessageA(target, WM_KEYDOWN, vk, down) && PostMessageA(target, WM_KEYUP, vk, up);
}

// A message box is a "#32770" dialog whose text is a static with identifier 0xFFFF; that tells it
// apart from the program's own dialogs, which are "#32770" windows with buttons too.
static bool ReadMessageBox(const WindowInfo& w, MessageBoxInfo* out) {
  if (w.cls != "#32770" || !w.visible) return false;
  MessageBoxInfo box;
  box.hwnd = w.hwnd;
  box.title = w.title;
  bool hasText = false;
  for (const ControlInfo& c : w.controls) {
    if (_stricmp(c.cls.c_str(), "Button") == 0) {
      if (c.visible) box.buttons.push_back(c);
    } else if (_stricmp(c.cls.c_str(), "Static") == 0 && (c.id & 0xFFFF) == 0xFFFF) {
      box.text = c.text;
      hasText = true;
    }
  }
  if (!hasText || box.buttons.empty()) return false;
  if (out) *out = box;
  return true;
}

bool FindMessageBox(DWORD pid, MessageBoxInfo* out) {
  for (const WindowInfo& w : ListWindows(pid))
    if (ReadMessageBox(w, out)) return true;
  return false;
}

bool WaitMessageBox(DWORD pid, int timeoutMs, MessageBoxInfo* out) {
  return WaitUntil([&] { return FindMessageBox(pid, out); }, timeoutMs);
}

bool AnswerMessageBox(HWND box, int buttonId) { return ClickButton(box, buttonId); }

// Memory in another process, freed on every path.
namespace {
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, size_t size)
      : m_process(process), m_ptr(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  ~RemoteBuffer() {
    if (m_ptr) VirtualFreeEx(m_process, m_ptr, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  char* Get() const { return static_cast<char*>(m_ptr); }

 private:
  HANDLE m_process;
  void* m_ptr;
};
}  // namespace

std::vector<std::vector<std::string>> ListViewRows(HWND list, int columns) {
  std::vector<std::vector<std::string>> rows;
  if (!IsWindow(list)) return rows;
  if (columns <= 0) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    columns = header ? (int)SendMessageA(header, HDM_GETITEMCOUNT, 0, 0) : 1;
    if (columns <= 0) columns = 1;
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  ScopedHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
  if (!process.Valid()) return rows;
  const int textSize = 1024;
  RemoteBuffer remote(process.Get(), sizeof(LVITEMA) + textSize);
  if (!remote.Get()) return rows;
  char* remoteText = remote.Get() + sizeof(LVITEMA);

  int count = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  for (int row = 0; row < count; ++row) {
    std::vector<std::string> cells;
    for (int col = 0; col < columns; ++col) {
      LVITEMA item;
      ZeroMemory(&item, sizeof(item));
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.iSubItem = col;
      item.pszText = remoteText;
      item.cchTextMax = textSize;
      char text[textSize + 1] = "";
      SIZE_T moved = 0;
      if (WriteProcessMemory(process.Get(), remote.Get(), &item, sizeof(item), &moved) && moved == sizeof(item)) {
        WriteProcessMemory(process.Get(), remoteText, "", 1, &moved);
        LRESULT len = SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.Get()));
        if (len >= 0 && ReadProcessMemory(process.Get(), remoteText, text, textSize, &moved)) text[textSize] = '\0';
        else text[0] = '\0';
      }
      cells.push_back(text);
    }
    rows.push_back(cells);
  }
  return rows;
}

bool ProgressState(HWND bar, int* pos, int* low, int* high) {
  if (!IsWindow(bar)) return false;
  if (pos) *pos = (int)SendMessageA(bar, PBM_GETPOS, 0, 0);
  if (low) *low = (int)SendMessageA(bar, PBM_GETRANGE, TRUE, 0);
  if (high) *high = (int)SendMessageA(bar, PBM_GETRANGE, FALSE, 0);
  return true;
}

bool IsChecked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace ts
