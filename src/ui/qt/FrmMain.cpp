#include "ui/qt/FrmMain.h"

#include "app/FormLayout.h"

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

using form::Px;

QString QText(std::string_view Text) {
    return QString::fromUtf8(Text.data(), qsizetype(Text.size()));
}

// Tahoma where the machine has it; Qt picks its fallback otherwise.
QFont Tahoma(form::Font Font) {
    QFont font(QText(form::kFontFamily));
    font.setPointSizeF(Font.Points);
    font.setWeight(Font.Bold ? QFont::Bold : QFont::Normal);
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

QLabel* Label(QWidget* Parent, const form::Control& Row) {
    auto* label = new QLabel(QText(Row.Caption), Parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    if (Row.What == form::Kind::Value) label->setFont(Tahoma(form::kValueFont));
    return label;
}

// One control of the layout's table.
QWidget* Make(QWidget* Parent, const form::Control& Row) {
    QWidget* control = nullptr;
    if (Row.What == form::Kind::Button) {
        control = new QPushButton(QText(Row.Caption), Parent);
    } else if (Row.What == form::Kind::Frame) {
        auto* frame = new QFrame(Parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        control = frame;
    } else {
        control = Label(Parent, Row);
    }
    control->setObjectName(QText(Row.Name));
    control->setGeometry(Px(Row.Left), Px(Row.Top), Px(Row.Width), Px(Row.Height));
    return control;
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
    setWindowTitle(QText(form::kCaption));
    setWindowIcon(QIcon(new AppIcon));
    setFont(Tahoma(form::kFont));
    setFixedSize(Px(form::kWidth), Px(form::kHeight));

    for (const form::Control& row : form::kControls)
        Make(this, row);
    auto* exBut = findChild<QPushButton*>(QStringLiteral("ExBut"));
    lblKelto_ = findChild<QLabel*>(QStringLiteral("LblKelto"));
    SetTabOrder({exBut, lblKelto_, findChild<QLabel*>(QStringLiteral("Label2"))});
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
    QMessageBox box(QMessageBox::Critical, QText(form::kCaption), lines.join(u'\n'),
                    QMessageBox::Ok);
    box.exec();
}

bool FrmMain::AskRename(const std::string& Text) {
    QMessageBox box(QMessageBox::Warning, QText(form::kCaption), QString::fromStdString(Text));
    QPushButton* keep = box.addButton(QText(form::kKeepName), QMessageBox::RejectRole);
    QPushButton* rename = box.addButton(QText(form::kRenameAnyway), QMessageBox::AcceptRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == rename;
}

} // namespace vorlund
