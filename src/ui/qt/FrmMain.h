#pragma once

#include "platform/Platform.h"

#include <QWidget>

#include <functional>

class QLabel;

namespace vorlund {

// The program's only window and its start-up object: the run happens in its
// load step, before the window could be shown, and the window is closed
// without ever being shown. Its layout is app/FormLayout.h; its controls
// are found by name (ExBut, Shape1, Label2, LblKelto).
class FrmMain : public QWidget, public Window {
public:
    explicit FrmMain(QWidget* Parent = nullptr);

    // Runs Step as the load step, then closes the window; returns Step's status.
    int Load(const std::function<int(Window&)>& Step);

    void ShowMinZ(const std::string& Text) override;
    void ShowErrors(const std::vector<std::string>& Lines) override;
    bool AskRename(const std::string& Text) override;

private:
    QLabel* lblKelto_;
};

} // namespace vorlund
