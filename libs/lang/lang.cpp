// Temporary minimal library so that the build stands; the text tables replace it.
#define KELVORA_LANG_BUILD
#include "../../app/langtext.h"
static int gLanguage = LANG_CODE_ENGLISH;
static const char* const kSix[6] = {"\0", "\0", "\0", "\0", "\0", "\0"};
const char* GetMessageText(int) { return ""; }
const char* GetGenericText(int) { return ""; }
const char* GetConfigurationText(int) { return ""; }
const char* GetMenuText(int) { return ""; }
const char* GetMenuItemText(int) { return ""; }
const char* GetPopupText(int) { return ""; }
const char* GetStatusWindowToolTipText(int) { return ""; }
const char* GetPluginText(int) { return ""; }
const char* GetToolBarText2(int) { return ""; }
const char* GetToolBarToolTipText2(int) { return ""; }
const char* GetLanguageString(int) { return ""; }
const char* GetDescriptionFilename(void) { return ""; }
const char* GetDescriptionPath(void) { return ""; }
const char* GetDescriptionCompressed(void) { return ""; }
const char* GetDescriptionUncompressed(void) { return ""; }
const char* GetDescriptionCompressionRatio(void) { return ""; }
const char* GetDescriptionDate(void) { return ""; }
const char* GetDescriptionType(void) { return ""; }
const char* GetDescriptionEncrypted(void) { return ""; }
const char* GetConsoleHelpText(void) { return ""; }
const char* const* GetToolBarText(void) { return kSix; }
const char* const* GetToolBarToolTipText(void) { return kSix; }
const char* const* GetToolBarText2WI(void) { return kSix; }
const char* const* GetToolBarToolTipText2WI(void) { return kSix; }
const char* const* GetConfirmationDialogText(void) { return kSix; }
int SetLanguage(int code) { gLanguage = code; return 1; }
int GetLanguage(void) { return gLanguage; }
int GetGCountry(void) { return gLanguage; }
