#pragma once

#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;

namespace vorlund {

// The program's only window: "min Z" over the value label, inside a frame,
// with an Ok button below. The start-up run closes it before it is shown.
class FrmMain : public QWidget {
public:
    // The start-up run, given the window; returns the exit status.
    using LoadStep = std::function<int(FrmMain&)>;

    explicit FrmMain(QWidget* Parent = nullptr);

    // Runs Step before the window could be shown, then closes the window.
    int Load(const LoadStep& Step);

    // Created in this order; the labels lie over Shape1.
    QPushButton* ExBut;
    QFrame* Shape1;
    QLabel* Label2;
    QLabel* LblKelto; // the value label
};

// 15 twips a pixel at 96 dpi.
constexpr int Px(int Twips) {
    return Twips / 15;
}

} // namespace vorlund
