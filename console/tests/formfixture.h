#pragma once
// The real main form on both real driver libraries, its COM2 an emulated printer on a
// pseudo-terminal, every message box read and answered here. For the console's form tests.
#include "../../service/tests/qtapp.h"
#include "fprnapi.h"
#include "mainform.h"
#include "messagebox.h"
#include "printer.h"
#include "qtpump.h"
#include "savedtexts.h"
#include "scopedenv.h"
#include "tempdir.h"

#include "dumplist.h"
#include <QAbstractButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace fprn::console::testing {

// Every box the console shows, answered from a queue: Ok, or No for a question, when empty.
class BoxRecorder {
public:
    struct Box {
        QMessageBox::Icon icon;
        QString caption, text;
        QMessageBox::StandardButtons buttons;
    };

    BoxRecorder() {
        SetMessageBoxSeam([this](QMessageBox& box) {
            seen.push_back({box.icon(), box.windowTitle(), box.text(), box.standardButtons()});
            if (onBox) onBox(seen.back());
            if (!answers.empty()) {
                auto answer = answers.front();
                answers.pop_front();
                return answer;
            }
            return box.standardButtons() & QMessageBox::No ? QMessageBox::No : QMessageBox::Ok;
        });
    }
    ~BoxRecorder() { SetMessageBoxSeam({}); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    // The texts of the boxes since the last call.
    std::vector<QString> Take() {
        std::vector<QString> texts;
        for (const Box& b : seen) texts.push_back(b.text);
        seen.clear();
        return texts;
    }

    std::vector<Box> seen;
    std::deque<QMessageBox::StandardButton> answers;
    std::function<void(const Box&)> onBox;
};

inline std::string Beside(const std::string& file) {
    return plat::ProgramFolder() + file;
}

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(LoadDriverLibraries(user, service), "");
        bridge = std::make_unique<QtPumpBridge>("form test");
    }
    void TearDown() override {
        form.reset();
        bridge.reset();
    }

    // The form, with the language library of that file.
    void MakeForm(const std::string& languageFile = lang::kLanguageLibraryFile) {
        FormOptions options;
        options.languageFile = languageFile;
        form = std::make_unique<TMainForm>(user, service, options);
    }

    // The command texts the printer received, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& frame : printer.Received()) texts.push_back(frame.text);
        return texts;
    }

    void Click(const char* button) { form->Button(QString::fromLatin1(button))->click(); }

    QStringList Dump() const { return form->ListBox1->lines(); }

    template <typename T = QWidget> T* Get(const char* name) const {
        return form->Control<T>(QString::fromLatin1(name));
    }

    SavedTexts texts; // put back after the form, which applies its language to them
    fprn::test::TempDir dir{"console-form", true};
    emu::Printer printer;
    fprn::test::ScopedEnv com2{"FPRN_COM2", printer.SlavePath().c_str()};
    TovarinApi user;
    MeskadeApi service;
    std::unique_ptr<QtPumpBridge> bridge;
    BoxRecorder boxes;
    std::unique_ptr<TMainForm> form;
};

} // namespace fprn::console::testing
