// The provider editor's options act on their own, whatever the layout: the
// Settings window and the wizard each use one combination of them.
#include "Deskmap/Qt/Provider/ProviderEditor.hpp"
#include "QtTestSupport.hpp"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <memory>

using namespace std::chrono_literals;

namespace deskmap::test {
namespace {

class ProviderEditorTest : public QtViewModelTest {
protected:
    void open(qt::ProviderEditorOptions options) {
        make();
        runUntil([&] { return keychain->calls > 0; });
        settle(30ms);
        titleAccess->granted = false;
        editor = std::make_unique<qt::ProviderEditor>(viewModel, options);
        editor->show();
        QCoreApplication::processEvents();
    }

    QLineEdit* keyField() { return editor->findChild<QLineEdit*>(); }

    bool keySaved() {
        return runUntil(
            [&] { return viewModel->savedCredentialPresence() == SavedCredentialPresence::saved; });
    }

    std::unique_ptr<qt::ProviderEditor> editor;
};

TEST_F(ProviderEditorTest, ReturnPassesOnAndSavingAsksForTitleAccessInACompactEditor) {
    open({qt::ProviderEditorOptions::Layout::compact, true, false});
    EXPECT_TRUE(shows(editor.get(), "Key status")) << "the compact layout";
    QTest::keyClicks(keyField(), "sk-typed");
    QTest::keyClick(keyField(), Qt::Key_Return);
    settle(20ms);
    EXPECT_EQ(keyField()->text(), "sk-typed") << "Return belongs to the window here";
    EXPECT_TRUE(editor->canSave());

    editor->saveKey();
    ASSERT_TRUE(keySaved());
    EXPECT_EQ(titleAccess->requests, 1);
    EXPECT_TRUE(keyField()->text().isEmpty());
    EXPECT_FALSE(editor->canSave()) << "nothing typed, nothing to save";
}

TEST_F(ProviderEditorTest, ReturnSavesWithoutAskingForTitleAccessInLabelledRows) {
    open({qt::ProviderEditorOptions::Layout::labelledRows, false, true});
    EXPECT_TRUE(shows(editor.get(), "OpenAI API key")) << "the field named for its provider";
    QTest::keyClicks(keyField(), "sk-typed");
    QTest::keyClick(keyField(), Qt::Key_Return);
    ASSERT_TRUE(keySaved());
    EXPECT_EQ(titleAccess->requests, 0);
    EXPECT_TRUE(keyField()->text().isEmpty());
}

} // namespace
} // namespace deskmap::test
