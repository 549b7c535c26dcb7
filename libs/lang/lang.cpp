// lang.dll: the active language and the lookup of every user-visible text by identifier.
// The tables are static and never change, so a returned text stays valid for the whole run;
// switching the language only changes which table later calls read.
#define KELVORA_LANG_BUILD
#include "../../app/langtext.h"
#include "texts.h"

#include <atomic>

namespace {

// Read by every thread that fetches a text; written by SetLanguage on the window thread.
std::atomic<const LanguageTexts*> gActive{&kEnglishTexts};

// Out-of-range identifiers get a visible placeholder instead of NULL. Each function has its
// own, so a placeholder never shares storage with a real text or another function's
// placeholder; the second NUL keeps it usable as a toolbar label.
const char kMissingMessage[] = "?\0";
const char kMissingGeneric[] = "?\0";
const char kMissingConfiguration[] = "?\0";
const char kMissingMenu[] = "?\0";
const char kMissingMenuItem[] = "?\0";
const char kMissingPopup[] = "?\0";
const char kMissingStatusTip[] = "?\0";
const char kMissingPlugin[] = "?\0";
const char kMissingToolBar2Label[] = "?\0";
const char kMissingToolBar2Tip[] = "?\0";
const char kMissingLanguageName[] = "?\0";

const LanguageTexts& Active()
{
    return *gActive.load(std::memory_order_acquire);
}

// Row id - first of a table of count rows, or the fallback when id lies outside.
template <typename Row>
const char* PickRow(const Row* rows, int count, int first, int id, const char* fallback)
{
    // Compare in 64 bits so that ids near INT_MIN/INT_MAX cannot overflow.
    const long long index = static_cast<long long>(id) - first;
    if (index < 0 || index >= count)
        return fallback;
    return rows[index];
}

const LanguageTexts* TextsForCode(int code)
{
    switch (code) {
    case LANG_CODE_GERMAN: return &kGermanTexts;
    case LANG_CODE_ENGLISH: return &kEnglishTexts;
    default: return nullptr;
    }
}

}  // namespace

const char* GetMessageText(int id)
{
    return PickRow(Active().messages, kMessageCount, 0, id, kMissingMessage);
}

const char* GetGenericText(int id)
{
    return PickRow(Active().generic, kGenericCount, 0, id, kMissingGeneric);
}

const char* GetConfigurationText(int id)
{
    return PickRow(Active().configuration, kConfigurationCount, 0, id, kMissingConfiguration);
}

const char* GetMenuText(int id)
{
    return PickRow(Active().menus, kMenuCount, kMenuFirst, id, kMissingMenu);
}

const char* GetMenuItemText(int id)
{
    return PickRow(Active().menuItems, kMenuItemCount, kMenuItemFirst, id, kMissingMenuItem);
}

const char* GetPopupText(int id)
{
    return PickRow(Active().popups, kPopupCount, 0, id, kMissingPopup);
}

const char* GetStatusWindowToolTipText(int id)
{
    return PickRow(Active().statusTips, kStatusTipCount, 0, id, kMissingStatusTip);
}

const char* GetPluginText(int id)
{
    return PickRow(Active().plugins, kPluginCount, 0, id, kMissingPlugin);
}

const char* GetToolBarText2(int id)
{
    return PickRow(Active().toolBar2Labels, kToolBar2Count, 0, id, kMissingToolBar2Label);
}

const char* GetToolBarToolTipText2(int id)
{
    return PickRow(Active().toolBar2Tips, kToolBar2Count, 0, id, kMissingToolBar2Tip);
}

const char* GetLanguageString(int id)
{
    return PickRow(Active().languageNames, kLanguageNameCount, 0, id, kMissingLanguageName);
}

const char* GetDescriptionFilename(void) { return Active().columns[kColumnFilename]; }
const char* GetDescriptionPath(void) { return Active().columns[kColumnPath]; }
const char* GetDescriptionCompressed(void) { return Active().columns[kColumnCompressed]; }
const char* GetDescriptionUncompressed(void) { return Active().columns[kColumnUncompressed]; }
const char* GetDescriptionCompressionRatio(void) { return Active().columns[kColumnCompressionRatio]; }
const char* GetDescriptionDate(void) { return Active().columns[kColumnDate]; }
const char* GetDescriptionType(void) { return Active().columns[kColumnType]; }
const char* GetDescriptionEncrypted(void) { return Active().columns[kColumnEncrypted]; }

const char* GetConsoleHelpText(void) { return Active().consoleHelp; }

const char* const* GetToolBarText(void) { return Active().toolBarLabels; }
const char* const* GetToolBarToolTipText(void) { return Active().toolBarTips; }
const char* const* GetToolBarText2WI(void) { return Active().toolBar2LabelsWI; }
const char* const* GetToolBarToolTipText2WI(void) { return Active().toolBar2TipsWI; }
const char* const* GetConfirmationDialogText(void) { return Active().confirmations; }

int SetLanguage(int code)
{
    const LanguageTexts* texts = TextsForCode(code);
    if (!texts)
        return 0;  // an unknown code (e.g. a stray registry value) keeps the current language
    gActive.store(texts, std::memory_order_release);
    return 1;
}

int GetLanguage(void)
{
    return Active().code;
}

int GetGCountry(void)
{
    return Active().code;
}
