#include "fprnapi.h"

#include "language.h"

#include <cstring>
#include <unistd.h>

namespace fprn::console {

namespace {

// The built-in texts, checked against their identifiers once at compile time.
#define FPRN_LINK_TEXT(entry, id, text) static_assert((id) == 12700 + (entry));
#define FPRN_PRINTER_TEXT(entry, id, text) static_assert((id) == 12100 + (entry));
#define FPRN_BUSY_TEXT(entry, id, text) static_assert((id) == 12500 + (entry));
#define FPRN_MEMORY_TEXT(entry, id, text) static_assert((id) == 12600 + (entry));
#include "fprntexts.inc"

const char* BuiltInMessage(std::int32_t id) {
    switch (id) {
#define FPRN_MESSAGE_TEXT(id, text)                                                                \
    case id:                                                                                       \
        return text;
#include "fprntexts.inc"
    }
    return "";
}

template <std::size_t N> void Reload(std::array<std::string, N>& table, std::int32_t base) {
    for (std::size_t i = 0; i < N; ++i)
        table[i] = lang::GetLanguageText(base + static_cast<std::int32_t>(i) + 1);
}

// Loads `file` from the folder or the installation's library folder when it is there, else by
// bare name.
std::string LoadOne(plat::DynLib& lib, const std::string& folder, const std::string& file) {
    std::string path = file;
    if (!folder.empty()) {
        for (std::string candidate :
             {folder + file, folder + "../" FPRN_INSTALL_LIBDIR "/" + file}) {
            if (access(candidate.c_str(), F_OK) != 0) continue;
            path = candidate;
            break;
        }
    }
    if (lib.Load(path)) return {};
    return "Cannot load " + file + ": " + lib.Error();
}

template <typename T>
bool Bind(T& slot, const plat::DynLib& lib, const char* name, const std::string& file,
          std::string& error) {
    if (!error.empty()) return false;
    slot = reinterpret_cast<T>(lib.Symbol(name));
    if (slot == nullptr) error = file + " lacks the function " + name;
    return slot != nullptr;
}

} // namespace

void TovarinApi::Unload() {
#define FPRN_CLEAR(name) name = nullptr;
    FPRN_TOVARIN_API(FPRN_CLEAR)
    lib.Unload();
}

void MeskadeApi::Unload() {
    FPRN_MESKADE_API(FPRN_CLEAR)
#undef FPRN_CLEAR
    lib.Unload();
}

std::string LoadDriverLibraries(TovarinApi& user, MeskadeApi& service,
                                const DriverLocation& where) {
    user.Unload();
    service.Unload();
    std::string folder = where.folder.empty() ? plat::ProgramFolder() : where.folder;
    if (!folder.empty() && folder.back() != '/') folder += '/';

    std::string error = LoadOne(user.lib, folder, where.userFile);
#define FPRN_BIND_USER(name) Bind(user.name, user.lib, #name, where.userFile, error);
    if (error.empty()) {
        FPRN_TOVARIN_API(FPRN_BIND_USER)
    }
#undef FPRN_BIND_USER
    if (error.empty()) error = LoadOne(service.lib, folder, where.serviceFile);
#define FPRN_BIND_SERVICE(name) Bind(service.name, service.lib, #name, where.serviceFile, error);
    if (error.empty()) {
        FPRN_MESKADE_API(FPRN_BIND_SERVICE)
    }
#undef FPRN_BIND_SERVICE
    if (!error.empty()) {
        service.Unload();
        user.Unload();
    }
    return error;
}

std::array<std::string, 2>& LinkErrorTexts() {
    static std::array<std::string, 2> table{
#define FPRN_LINK_TEXT(entry, id, text) text,
#include "fprntexts.inc"
    };
    return table;
}

std::array<std::string, 89>& PrinterErrorTexts() {
    static std::array<std::string, 89> table{
#define FPRN_PRINTER_TEXT(entry, id, text) text,
#include "fprntexts.inc"
    };
    return table;
}

std::array<std::string, 1>& PrinterBusyTexts() {
    static std::array<std::string, 1> table{
#define FPRN_BUSY_TEXT(entry, id, text) text,
#include "fprntexts.inc"
    };
    return table;
}

std::array<std::string, 7>& MemoryFaultTexts() {
    static std::array<std::string, 7> table{
#define FPRN_MEMORY_TEXT(entry, id, text) text,
#include "fprntexts.inc"
    };
    return table;
}

std::string GetFPrnErrorText(std::int32_t code, std::int32_t errorNumber) {
    auto entry = [&](auto& table) -> std::string {
        if (errorNumber < 1 || static_cast<std::size_t>(errorNumber) > table.size()) return {};
        return table[static_cast<std::size_t>(errorNumber) - 1];
    };
    switch (code) {
    case -1:
    case -2:
        return LinkErrorTexts()[0];
    case -3:
        return LinkErrorTexts()[1];
    case -4:
        return entry(PrinterErrorTexts());
    case -5:
        return entry(PrinterBusyTexts());
    case -6:
        return entry(MemoryFaultTexts());
    default:
        return {};
    }
}

std::string CommandErrorText(const TFPrnResult& result, const char* buffer, std::int32_t length) {
    if (result.Code != FPRN_DRIVER_ERROR && result.Code != FPRN_ARGUMENT_ERROR)
        return GetFPrnErrorText(result.Code, result.ErrorNumber);
    std::string message;
    if (buffer != nullptr && length > 0)
        message.assign(buffer, strnlen(buffer, static_cast<std::size_t>(length)));
    if (!message.empty()) return message;
    return result.Code == FPRN_DRIVER_ERROR ? "A file of the driver failed"
                                            : "An amount or quantity cannot be sent";
}

TMessageTexts& MessageTexts() {
    static TMessageTexts texts{BuiltInMessage(11370), BuiltInMessage(11371),
                               std::string(BuiltInMessage(11372)) + "\n\r" + BuiltInMessage(11373),
                               BuiltInMessage(11376)};
    return texts;
}

void ApplyLanguageToTexts() {
    if (lang::LanguageObject() == nullptr) return;
    TMessageTexts& m = MessageTexts();
    m.errorCaption = lang::GetLanguageText(11370);
    m.illegalFormat = lang::GetLanguageText(11371);
    m.sramEraseQuestion = lang::GetLanguageText(11372) + "\n\r" + lang::GetLanguageText(11373);
    m.confirmationCaption = lang::GetLanguageText(11376);
    Reload(PrinterErrorTexts(), 12100);
    Reload(PrinterBusyTexts(), 12500);
    Reload(MemoryFaultTexts(), 12600);
    Reload(LinkErrorTexts(), 12700);
}

} // namespace fprn::console
