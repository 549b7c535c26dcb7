// The language-text library (lang.dll): every user-visible text of the program.
// The program imports it by name and does not start without it.
// Every text function returns a NUL-terminated ANSI (Windows-1252) string that is never NULL,
// stays valid and unchanged until the next SetLanguage, and lives in storage of its own per
// identifier. An identifier outside a function's range gives a short placeholder ("?") that
// is no real text. No text is a format string: callers pass them as arguments to their own.
// Callers never free or write the results. The default language is English.
#pragma once

#ifdef KELVORA_LANG_BUILD
#define KV_LANG_API extern "C" __declspec(dllexport)
#else
#define KV_LANG_API extern "C" __declspec(dllimport)
#endif

KV_LANG_API const char* GetMessageText(int id);               // 0-102; 94 is the caption of error boxes
KV_LANG_API const char* GetGenericText(int id);               // 0-87: buttons, labels, messages
KV_LANG_API const char* GetConfigurationText(int id);         // 0-102: configuration dialog
KV_LANG_API const char* GetMenuText(int id);                  // 5001-5005: top-level menus
KV_LANG_API const char* GetMenuItemText(int id);              // 4001-4028: menu item of that command id
KV_LANG_API const char* GetPopupText(int id);                 // 0-26: context-menu items
KV_LANG_API const char* GetStatusWindowToolTipText(int id);   // 0-5: status-bar tooltips
KV_LANG_API const char* GetPluginText(int id);                // 0-9: RAR error texts
KV_LANG_API const char* GetToolBarText2(int id);              // 0-3: second toolbar label, ending in two NULs
KV_LANG_API const char* GetToolBarToolTipText2(int id);       // 0-3: second toolbar tooltip
KV_LANG_API const char* GetLanguageString(int id);            // 0 German, 1 English
KV_LANG_API const char* GetDescriptionFilename(void);         // list-view column headers
KV_LANG_API const char* GetDescriptionPath(void);
KV_LANG_API const char* GetDescriptionCompressed(void);
KV_LANG_API const char* GetDescriptionUncompressed(void);
KV_LANG_API const char* GetDescriptionCompressionRatio(void);
KV_LANG_API const char* GetDescriptionDate(void);
KV_LANG_API const char* GetDescriptionType(void);
KV_LANG_API const char* GetDescriptionEncrypted(void);
KV_LANG_API const char* GetConsoleHelpText(void);             // command-line help window
KV_LANG_API const char* const* GetToolBarText(void);          // array of 6 labels (buttons 16001-16006), each ending in two NULs
KV_LANG_API const char* const* GetToolBarToolTipText(void);   // array of 6 tooltips
KV_LANG_API const char* const* GetToolBarText2WI(void);       // array of 4 labels of the second toolbar, each ending in two NULs
KV_LANG_API const char* const* GetToolBarToolTipText2WI(void);// array of 4 tooltips
KV_LANG_API const char* const* GetConfirmationDialogText(void); // 7 texts of the overwrite prompt: captions
                                                               // replace, replace all, skip, cancel, skip all (at most
                                                               // 15 characters), labels of the existing and the new file
KV_LANG_API int SetLanguage(int code);                         // 7 German, 1 English: switches, returns 1;
                                                               // any other code keeps the language, returns 0
KV_LANG_API int GetLanguage(void);                             // active language code
KV_LANG_API int GetGCountry(void);                             // active language code

enum { LANG_CODE_GERMAN = 7, LANG_CODE_ENGLISH = 1 };
