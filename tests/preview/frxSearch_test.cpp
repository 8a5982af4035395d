#include "preview/frxSearch.h"
#include "EngineParts.h"

#include "common/TestSupport.h"
#include "platform/CanvasRecording.h"
#include "PreparedPages.h"
#include "preview/frxPreview.h"
#include "preview/frxSearchDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

using namespace frxClass;

namespace {

// Three pages. Page 1: "Total ABC" in Memo1 and "then abc" in Memo4; page 2 has no abc;
// page 3: "abc at last" in Memo6. Every text object also holds "÷" and "第<n>页".
void Texts(Prepared& r, int page) {
    if (page == 0) {
        r.memos[0]->SetText(QStringLiteral("Total ABC ÷ 第1页"));
        r.memos[3]->SetText(QStringLiteral("then abc"));
    } else if (page == 2) {
        r.memos[5]->SetText(QStringLiteral("abc at last"));
    }
}

struct Hit {
    bool found;
    int page;
    QString text;
};

// One search as the preview runs it, keeping the page and the recorded picture between calls.
struct Searcher {
    TfrxPreviewPages& pages;
    TfrxSearchState state;
    int page = 0;
    std::unique_ptr<platform::RecordingCanvas> picture;
    int picturePage = -1;

    Hit Next() {
        const bool found = frxSearchPages(pages, state, page, picture, picturePage);
        QString text;
        if (found)
            text = picture->Records()[size_t(state.RecordIndex)].Text;
        return {found, page, text};
    }
    Hit Find(const QString& text, bool caseSensitive = false, int from = 0) {
        state.Text = text;
        state.CaseSensitive = caseSensitive;
        state.RecordIndex = -1;
        page = from;
        return Next();
    }
};

} // namespace

TEST(FindText, SearchesTheDrawnTextRecordByRecord) {
    Prepared p(3, Texts);
    Searcher s{p.store};

    // Without case: abc finds ABC first, then the later record of the same page, then the
    // later page, then nothing, and the search stays exhausted.
    Hit h = s.Find(QStringLiteral("abc"));
    EXPECT_TRUE(h.found);
    EXPECT_EQ(h.page, 0);
    EXPECT_EQ(h.text, QStringLiteral("Total ABC ÷ 第1页"));
    h = s.Next();
    EXPECT_EQ(h.page, 0);
    EXPECT_EQ(h.text, QStringLiteral("then abc"));
    h = s.Next();
    EXPECT_EQ(h.page, 2);
    EXPECT_EQ(h.text, QStringLiteral("abc at last"));
    EXPECT_FALSE(s.Next().found);
    EXPECT_EQ(s.page, 3);
    EXPECT_FALSE(s.state.Found);
    EXPECT_FALSE(s.Next().found);

    // With case, ABC is not abc.
    h = s.Find(QStringLiteral("abc"), true);
    EXPECT_EQ(h.text, QStringLiteral("then abc"));
    // Starting at a later page, earlier hits are not found.
    EXPECT_EQ(s.Find(QStringLiteral("ABC"), false, 1).page, 2);
    // Symbols and Chinese are found as drawn.
    EXPECT_EQ(s.Find(QStringLiteral("÷")).page, 0);
    h = s.Find(QStringLiteral("第2页"));
    EXPECT_EQ(h.page, 1);
    // An empty text finds nothing.
    EXPECT_FALSE(s.Find(QString()).found);
    EXPECT_EQ(s.page, 3);
}

TEST(FindText, TheHitIsTheRecordsRectangleAndAPageIsRecordedOnce) {
    Prepared p(3, Texts);
    Searcher s{p.store};
    ASSERT_TRUE(s.Find(QStringLiteral("at last")).found);
    platform::RecordingCanvas drawn;
    p.store.RenderPage(2, &drawn, 1, 1, 0, 0);
    const platform::CanvasRecord* record = nullptr;
    for (const platform::CanvasRecord* r : drawn.TextRecords())
        if (r->Text == QStringLiteral("abc at last"))
            record = r;
    ASSERT_TRUE(record);
    EXPECT_EQ(s.state.HitRect, record->Bounds.ToQRect());
    // Memo6 stands at 120 px right of a 10 mm margin.
    EXPECT_GE(s.state.HitRect.left(), 120 + 37);

    const platform::RecordingCanvas* picture = s.picture.get();
    s.Next();
    EXPECT_EQ(s.picture.get(), picture) << "the same page is not recorded again";
}

TEST(FindText, CodePageRulesForCaseAndCharacters) {
    using platform::Gbk;
    struct Case {
        const char* name;
        QByteArray text, what;
        bool matches;
    } cases[] = {
        {"ASCII", Gbk("Total abc"), Gbk("ABC"), true},
        // 丄 is 0x81 0x41: its second byte is no "A".
        {"second byte of a character", Gbk("丄"), "A", false},
        {"after a double-byte character", Gbk("丄A"), "A", true},
        {"Chinese", Gbk("口算练习第3页"), Gbk("第3页"), true},
        {"fullwidth letters keep their case", Gbk("ａ"), Gbk("Ａ"), false},
        {"empty", Gbk("abc"), QByteArray(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frxSearchFind(frxSearchUpper(c.text), frxSearchUpper(c.what)) >= 0, c.matches)
            << c.name;
    // Upper-casing never touches a second byte: 0x81 0x61 stays.
    EXPECT_EQ(frxSearchUpper(QByteArray("\x81\x61" "a", 3)), QByteArray("\x81\x61" "A", 3));
}

TEST(FindText, AHitOutOfViewScrollsTo20PixelsInsideTheFarEdges) {
    const QRect view(100, 1000, 400, 300); // scrolled to (100, 1000), 400 x 300 visible
    struct Case {
        const char* name;
        QRect hit;
        QPoint position;
    } cases[] = {
        {"inside: stays", QRect(150, 1100, 50, 20), QPoint(100, 1000)},
        {"below", QRect(150, 1400, 50, 20), QPoint(100, 1420 - 300 + 20)},
        {"above", QRect(150, 900, 50, 20), QPoint(100, 920 - 300 + 20)},
        {"cut by the bottom edge", QRect(150, 1290, 50, 20), QPoint(100, 1310 - 300 + 20)},
        {"right", QRect(600, 1100, 50, 20), QPoint(650 - 400 + 20, 1000)},
        {"left", QRect(20, 1100, 50, 20), QPoint(70 - 400 + 20, 1000)},
        {"both", QRect(600, 1400, 50, 20), QPoint(270, 1140)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(frxScrollToHit(c.hit, view), c.position) << c.name;
}

// ---------------------------------------------------------------------------------------------
// The dialog and the preview's Find and F3

namespace {

class FindInPreview : public ::testing::Test {
protected:
    startup::EngineScope search{startup::Search};

    void SetUp() override {
        frxSearchState() = TfrxSearchState();
        preview.SetReport(&prepared.report);
        preview.SetPreviewPages(&prepared.store);
        prepared.report.PreviewOptions()->SetButtons(
            TfrxPreviewButtons(frxDefaultPreviewButtons));
        preview.resize(700, 500);
        preview.show();
        QApplication::processEvents();
        preview.Init();
        QApplication::processEvents();
    }
    void TearDown() override { preview.hide(); }

    // Answers the find dialog once it is shown: text, options, then OK or Cancel.
    void Answer(const QString& text, bool top, bool matchCase, bool ok = true) {
        QTimer::singleShot(0, [=, this] {
            auto* d = qobject_cast<TfrxSearchDialog*>(QApplication::activeModalWidget());
            if (!d) {
                ADD_FAILURE() << "no find dialog";
                return;
            }
            shownText = d->TextE->text();
            shownOptions = d->TopCB->isChecked() || d->CaseCB->isChecked();
            d->TextE->setText(text);
            d->TopCB->setChecked(top);
            d->CaseCB->setChecked(matchCase);
            (ok ? d->OkB : d->CancelB)->click();
        });
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&preview, &e);
    }
    const TfrxWorkspaceSearch& Search() const { return preview.Workspace()->Search; }

    Prepared prepared{3, Texts};
    TfrxPreview preview;
    QString shownText;
    bool shownOptions = true;
};

} // namespace

TEST_F(FindInPreview, DialogHoldsItsControlsAndTheLastText) {
    TfrxSearchDialog d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Find Text"));
    EXPECT_EQ(d.TextL->text(), QStringLiteral("Text to find:"));
    EXPECT_EQ(d.SearchL->title(), QStringLiteral("Search options"));
    EXPECT_EQ(d.TopCB->text(), QStringLiteral("Search from beginning"));
    EXPECT_EQ(d.CaseCB->text(), QStringLiteral("Case sensitive"));
    EXPECT_EQ(d.ReplaceL->text(), QStringLiteral("Replace with"));
    EXPECT_EQ(d.OkB->text(), QStringLiteral("OK"));
    EXPECT_EQ(d.CancelB->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(d.OkB->isDefault());
    EXPECT_EQ(d.width(), 252);
    EXPECT_EQ(d.TextE->width(), 237);

    frxSearchState().LastText = QStringLiteral("12 +");
    d.TopCB->setChecked(true);
    d.show();
    QApplication::processEvents();
    EXPECT_FALSE(d.ReplacePanel->isVisible());
    EXPECT_EQ(d.TextE->text(), QStringLiteral("12 +"));
    EXPECT_EQ(d.TextE->selectedText(), QStringLiteral("12 +"));
    EXPECT_FALSE(d.TopCB->isChecked());
    d.TextE->setText(QStringLiteral("abc"));
    d.reject();
    EXPECT_EQ(frxSearchState().LastText, QStringLiteral("12 +")) << "Cancel keeps the last text";
    d.show();
    d.TextE->setText(QStringLiteral("abc"));
    d.accept();
    EXPECT_EQ(frxSearchState().LastText, QStringLiteral("abc"));
}

TEST_F(FindInPreview, FindThenF3WalksTheHitsAndCancelKeepsF3) {
    Answer(QStringLiteral("abc"), true, false);
    Key(Qt::Key_F, Qt::ControlModifier);
    EXPECT_FALSE(shownOptions) << "both options start unchecked";
    EXPECT_TRUE(preview.FindNextAllowed);
    EXPECT_TRUE(Search().Found);
    EXPECT_EQ(Search().Page, 0);
    const QRect first = Search().HitRect;

    Key(Qt::Key_F3);
    EXPECT_EQ(Search().Page, 0);
    EXPECT_NE(Search().HitRect, first);

    // Cancelling the dialog leaves the search where it was, and F3 still goes on.
    Answer(QStringLiteral("zzz"), true, true, false);
    preview.Find();
    EXPECT_EQ(shownText, QStringLiteral("abc"));
    EXPECT_TRUE(preview.FindNextAllowed);
    Key(Qt::Key_F3);
    EXPECT_TRUE(Search().Found);
    EXPECT_EQ(Search().Page, 2);
    // The hit on page 3 is scrolled into view: its bottom at most 20 px above the view's.
    const TfrxPreviewWorkspace* ws = preview.Workspace();
    const QRect page = ws->PageRectInView(2);
    const int hitBottom = page.top() + Search().HitRect.bottom();
    EXPECT_GE(hitBottom, 0);
    EXPECT_LE(hitBottom, ws->VertPage());

    Key(Qt::Key_F3);
    EXPECT_FALSE(Search().Found);
    EXPECT_EQ(Search().Page, 3);
}

TEST_F(FindInPreview, WithoutTopTheSearchStartsAtTheCurrentPage) {
    preview.GoToPage(2);
    Answer(QStringLiteral("ABC"), false, false);
    preview.Find();
    EXPECT_EQ(Search().Page, 2);
}

TEST_F(FindInPreview, AZoomChangeStopsF3) {
    Answer(QStringLiteral("abc"), true, false);
    preview.Find();
    ASSERT_TRUE(preview.FindNextAllowed);
    preview.ApplyZoom(1.5);
    EXPECT_FALSE(preview.FindNextAllowed);
    const QRect hit = Search().HitRect;
    Key(Qt::Key_F3);
    EXPECT_EQ(Search().HitRect, hit);
    EXPECT_EQ(Search().Page, 0);
}
