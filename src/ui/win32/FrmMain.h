#pragma once

#include "platform/Platform.h"

#include <windows.h>

#include <functional>

namespace vorlund {

// The program's only window and its start-up object: the run happens in its
// load step (WM_CREATE), and the window is destroyed without ever being
// shown. Its layout is app/FormLayout.h; each control's id is 101 and its
// place in the layout's table, named here after the control.
class FrmMain : public Window {
public:
    enum Control { ExBut = 101, Shape1, Label2, LblKelto };

    // Creates the window, calls Created with its handle, runs Step in its
    // load step, then destroys it; returns Step's status.
    int Load(const std::function<void(HWND)>& Created, const std::function<int(Window&)>& Step);

    void ShowMinZ(const std::string& Text) override;
    void ShowErrors(const std::vector<std::string>& Lines) override;
    bool AskRename(const std::string& Text) override;

private:
    static LRESULT CALLBACK Procedure(HWND Handle, UINT Message, WPARAM W, LPARAM L);
    void CreateControls();

    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HFONT valueFont_ = nullptr;
    const std::function<void(HWND)>* created_ = nullptr;
    const std::function<int(Window&)>* step_ = nullptr;
    int status_ = 0;
};

} // namespace vorlund
