// Drives the worksheet window's print preview in a test, as a user would: the window shows,
// "打印预览" is pressed, and the check runs once the preview shows the prepared page.

#pragma once

#include "WorksheetSettings.h"
#include "preview/frxPreview.h"
#include "preview/frxPreviewForm.h"
#include "worksheet/U_Shengcheng.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

// Shows `window`; `beforePress` (may be empty) runs in it, then "打印预览" is pressed and
// `inPreview` runs once the preview shows a prepared page; then both windows close. Fails the
// test when no page showed or the preview refused to close.
inline void PreviewWorksheet(Tfrm_Shengcheng& window, const std::function<void()>& beforePress,
                             const std::function<void(TfrxPreviewForm*)>& inPreview) {
    bool ran = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* form = qobject_cast<TfrxPreviewForm*>(QApplication::activeModalWidget());
        if (!form || form->Preview()->Busy() || form->Preview()->PageCount() == 0)
            return;
        poll.stop();
        QApplication::processEvents();
        inPreview(form);
        ran = true;
        form->close();
        if (form->isVisible()) {
            ADD_FAILURE() << "the preview refused to close";
            form->done(QDialog::Rejected);
        }
    });
    QTimer::singleShot(0, [&] {
        if (beforePress)
            beforePress();
        poll.start();
        window.btn_print->click();
        window.btn_Frm2exit->click();
    });
    window.ShowModal();
    EXPECT_TRUE(ran) << "the preview showed a page";
}
