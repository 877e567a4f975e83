#include "ui/qt/FrmMain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

using vorlund::FrmMain;

namespace {

class Window : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
    template <typename Control> Control* Child(const char* Name) {
        auto* control = window.findChild<Control*>(QString::fromLatin1(Name));
        EXPECT_NE(control, nullptr) << Name;
        return control;
    }

    FrmMain window;
    QPushButton* ExBut = Child<QPushButton>("ExBut");
    QFrame* Shape1 = Child<QFrame>("Shape1");
    QLabel* Label2 = Child<QLabel>("Label2");
    QLabel* LblKelto = Child<QLabel>("LblKelto");
};

// Counts the times the window is shown.
struct ShowCounter : QObject {
    int shown = 0;
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() == QEvent::Show) ++shown;
        return false;
    }
};

} // namespace

TEST_F(Window, ControlsInCreationOrderWithTheirTwipGeometry) {
    struct Row {
        const char* name;
        const char* kind;
        QRect twips;
    };
    const Row rows[] = {
        {"ExBut", "QPushButton", {480, 1320, 1095, 375}},
        {"Shape1", "QFrame", {0, 120, 2175, 975}},
        {"Label2", "QLabel", {600, 240, 855, 255}},
        {"LblKelto", "QLabel", {240, 600, 1695, 255}},
    };
    const auto children = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(children.size(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        const QWidget* child = children[int(i)];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(child->objectName(), row.name);
        EXPECT_STREQ(child->metaObject()->className(), row.kind);
        const QRect px(row.twips.x() / 15, row.twips.y() / 15, row.twips.width() / 15,
                       row.twips.height() / 15);
        EXPECT_EQ(child->geometry(), px);
    }
    // Client area 2220 x 1920 twips; the labels lie inside the frame.
    EXPECT_EQ(window.size(), QSize(148, 128));
    EXPECT_TRUE(Shape1->geometry().contains(Label2->geometry()));
    EXPECT_TRUE(Shape1->geometry().contains(LblKelto->geometry()));
}

TEST_F(Window, CaptionsFontsAndIcon) {
    EXPECT_EQ(window.windowTitle(), "Vorlund");
    EXPECT_EQ(ExBut->text(), "Ok");
    EXPECT_EQ(Label2->text(), "min Z");
    EXPECT_EQ(LblKelto->text(), "???");

    const QFont base = window.font();
    EXPECT_EQ(base.family(), "Tahoma");
    EXPECT_DOUBLE_EQ(base.pointSizeF(), 9.75);
    EXPECT_EQ(base.weight(), QFont::Normal);
    EXPECT_EQ(ExBut->font(), base);
    EXPECT_EQ(Label2->font(), base);
    const QFont value = LblKelto->font();
    EXPECT_EQ(value.family(), "Tahoma");
    EXPECT_DOUBLE_EQ(value.pointSizeF(), 12);
    EXPECT_EQ(value.weight(), QFont::Bold);

    for (const QLabel* label : {Label2, LblKelto})
        EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    // Our own picture at both sizes: blue-grey sky, grey stock.
    const QIcon icon = window.windowIcon();
    EXPECT_EQ(icon.availableSizes(), QList<QSize>({{16, 16}, {32, 32}}));
    for (const int size : {16, 32}) {
        SCOPED_TRACE(size);
        const QImage image = icon.pixmap(size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(image.pixelColor(0, 0), QColor("#24476b"));
        EXPECT_EQ(image.pixelColor(0, size * 3 / 4), QColor("#b8bec6"));
    }
}

TEST_F(Window, TabOrderAndFocus) {
    QStringList order;
    QWidget* widget = ExBut;
    do {
        if (widget != Shape1) order << widget->objectName();
        widget = widget->nextInFocusChain();
    } while (widget != &window);
    EXPECT_EQ(order, QStringList({"ExBut", "LblKelto", "Label2"}));
    EXPECT_EQ(Label2->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(LblKelto->focusPolicy(), Qt::NoFocus);
}

TEST_F(Window, LoadRunsBeforeShowingAndCloses) {
    ShowCounter counter;
    window.installEventFilter(&counter);
    QString before;
    bool visibleDuringRun = true;
    const int status = window.Load([&](vorlund::Window& Form) {
        before = LblKelto->text();
        visibleDuringRun = window.isVisible();
        Form.ShowMinZ("-12.5");
        return 7;
    });
    EXPECT_EQ(status, 7);
    EXPECT_EQ(before, "???");
    EXPECT_FALSE(visibleDuringRun);
    EXPECT_EQ(LblKelto->text(), "-12.5");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(counter.shown, 0);
}

TEST_F(Window, OkClosesTheWindow) {
    window.show();
    ASSERT_TRUE(window.isVisible());
    ExBut->click();
    EXPECT_FALSE(window.isVisible());
}
