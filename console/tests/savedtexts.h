#pragma once
// The console's message texts and error tables, and the absence of a language object, as a
// test found them, put back when it ends: applying a language module rewrites the tables for
// the rest of the process, so a marked module would show in every later test's texts.
#include "fprnapi.h"
#include "language.h"

namespace fprn::console::testing {

class SavedTexts {
public:
    SavedTexts() = default;
    ~SavedTexts() {
        if (!hadLanguage_) lang::DropLanguageObject();
        MessageTexts() = message_;
        LinkErrorTexts() = link_;
        PrinterErrorTexts() = printer_;
        PrinterBusyTexts() = busy_;
        MemoryFaultTexts() = memory_;
    }
    SavedTexts(const SavedTexts&) = delete;
    SavedTexts& operator=(const SavedTexts&) = delete;

private:
    bool hadLanguage_ = lang::LanguageObject() != nullptr;
    TMessageTexts message_ = MessageTexts();
    std::array<std::string, 2> link_ = LinkErrorTexts();
    std::array<std::string, 89> printer_ = PrinterErrorTexts();
    std::array<std::string, 1> busy_ = PrinterBusyTexts();
    std::array<std::string, 7> memory_ = MemoryFaultTexts();
};

} // namespace fprn::console::testing
