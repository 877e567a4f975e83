#include "ui/qt/FrmMain.h"

#include <QFrame>
#include <QIcon>
#include <QIconEngine>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>

#include <initializer_list>
#include <vector>

namespace vorlund {

namespace {

QRect Twips(int Left, int Top, int Width, int Height) {
    return {Px(Left), Px(Top), Px(Width), Px(Height)};
}

// Tahoma where the machine has it; Qt picks its fallback otherwise.
QFont Tahoma(qreal Points, QFont::Weight Weight) {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(Points);
    font.setWeight(Weight);
    return font;
}

// The icon's two images, read only when painted: a run never shows the
// window, and reading them at start-up loads Qt's image plugins.
class AppIcon : public QIconEngine {
public:
    void paint(QPainter* Painter, const QRect& Rect, QIcon::Mode, QIcon::State) override {
        Painter->drawPixmap(Rect, Image(Rect.size()));
    }
    QPixmap pixmap(const QSize& Size, QIcon::Mode, QIcon::State) override { return Image(Size); }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override { return {{16, 16}, {32, 32}}; }
    QIconEngine* clone() const override { return new AppIcon; }

private:
    static QPixmap Image(QSize Size) {
        const bool small = Size.width() <= 16 && Size.height() <= 16;
        const QPixmap image(small ? QStringLiteral(":/vorlund/FrmMain16.png")
                                  : QStringLiteral(":/vorlund/FrmMain32.png"));
        if (image.size() == Size) return image;
        return image.scaled(Size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
};

template <typename Control> Control* Make(QWidget* Parent, const char* Name, QRect Geometry) {
    auto* control = new Control(Parent);
    control->setObjectName(QString::fromLatin1(Name));
    control->setGeometry(Geometry);
    return control;
}

QLabel* Label(QWidget* Parent, const char* Name, const char* Text, QRect Geometry) {
    auto* label = Make<QLabel>(Parent, Name, Geometry);
    label->setText(QString::fromLatin1(Text));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

// Qt orders only widgets that take focus: the labels take it for as long as
// their place in the focus chain is set, and are labels again afterwards.
void SetTabOrder(std::initializer_list<QWidget*> Order) {
    std::vector<std::pair<QWidget*, Qt::FocusPolicy>> policies;
    for (QWidget* widget : Order) {
        policies.emplace_back(widget, widget->focusPolicy());
        widget->setFocusPolicy(Qt::StrongFocus);
    }
    for (auto it = Order.begin(); it + 1 != Order.end(); ++it)
        QWidget::setTabOrder(*it, *(it + 1));
    for (const auto& [widget, policy] : policies)
        widget->setFocusPolicy(policy);
}

} // namespace

FrmMain::FrmMain(QWidget* Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Vorlund"));
    setWindowIcon(QIcon(new AppIcon));
    setFont(Tahoma(9.75, QFont::Normal));
    setFixedSize(Px(2220), Px(1920));

    auto* exBut = Make<QPushButton>(this, "ExBut", Twips(480, 1320, 1095, 375));
    exBut->setText(QStringLiteral("Ok"));
    auto* shape1 = Make<QFrame>(this, "Shape1", Twips(0, 120, 2175, 975));
    shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* label2 = Label(this, "Label2", "min Z", Twips(600, 240, 855, 255));
    lblKelto_ = Label(this, "LblKelto", "???", Twips(240, 600, 1695, 255));
    lblKelto_->setFont(Tahoma(12, QFont::Bold));

    SetTabOrder({exBut, lblKelto_, label2});
    connect(exBut, &QPushButton::clicked, this, &QWidget::close);
}

int FrmMain::Load(const std::function<int(Window&)>& Step) {
    const int status = Step(*this);
    close();
    return status;
}

void FrmMain::ShowMinZ(const std::string& Text) {
    lblKelto_->setText(QString::fromStdString(Text));
}

void FrmMain::ShowErrors(const std::vector<std::string>& Lines) {
    QStringList lines;
    for (const auto& line : Lines)
        lines << QString::fromStdString(line);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vorlund"), lines.join(u'\n'),
                    QMessageBox::Ok);
    box.exec();
}

bool FrmMain::AskRename(const std::string& Text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Vorlund"), QString::fromStdString(Text));
    QPushButton* keep = box.addButton(QStringLiteral("Keep names"), QMessageBox::RejectRole);
    QPushButton* rename = box.addButton(QStringLiteral("Rename anyway"), QMessageBox::AcceptRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == rename;
}

} // namespace vorlund
