// The text tables of one language, as the lookup in lang.cpp reads them.
// Every text lives in a row of its own (a fixed-width char array), so two identifiers never
// share storage even when their wording is the same, and an over-long text does not compile.
#pragma once

#ifndef KELVORA_LANG_BUILD
#define KELVORA_LANG_BUILD  // the texts are part of lang.dll itself
#endif
#include "../../app/langtext.h"

enum {
    kMessageCount = 103,        // GetMessageText 0-102
    kGenericCount = 88,         // GetGenericText 0-87
    kConfigurationCount = 103,  // GetConfigurationText 0-102
    kMenuFirst = 5001,          // GetMenuText 5001-5005
    kMenuCount = 5,
    kMenuItemFirst = 4001,      // GetMenuItemText 4001-4028
    kMenuItemCount = 28,
    kPopupCount = 27,           // GetPopupText 0-26
    kStatusTipCount = 6,        // GetStatusWindowToolTipText 0-5
    kPluginCount = 10,          // GetPluginText 0-9
    kToolBar2Count = 4,         // GetToolBarText2 / GetToolBarToolTipText2 0-3, the WI arrays
    kLanguageNameCount = 2,     // GetLanguageString 0-1
    kToolBarCount = 6,          // GetToolBarText / GetToolBarToolTipText
    kConfirmationCount = 7,     // GetConfirmationDialogText: 4 answers, "skip all", two fact labels
    kColumnCount = 8            // the GetDescription... column headers
};

// Row widths: long rows for sentences, short rows for captions and labels. A short row of
// a label is zero-filled after the text, so every label ends in at least two NULs.
typedef char LongText[256];
typedef char ShortText[96];

// Order of the column headers in LanguageTexts::columns.
enum {
    kColumnFilename, kColumnPath, kColumnCompressed, kColumnUncompressed,
    kColumnCompressionRatio, kColumnDate, kColumnType, kColumnEncrypted
};

struct LanguageTexts {
    int code;                              // language code: 7 German, 1 English
    const LongText* messages;              // kMessageCount rows
    const LongText* generic;               // kGenericCount rows
    const LongText* configuration;         // kConfigurationCount rows
    const ShortText* menus;                // kMenuCount rows, id 5001 first
    const ShortText* menuItems;            // kMenuItemCount rows, id 4001 first
    const ShortText* popups;               // kPopupCount rows
    const ShortText* statusTips;           // kStatusTipCount rows
    const LongText* plugins;               // kPluginCount rows
    const ShortText* toolBar2Labels;       // kToolBar2Count rows, each ending in two NULs
    const ShortText* toolBar2Tips;         // kToolBar2Count rows
    const ShortText* languageNames;        // kLanguageNameCount rows
    const ShortText* columns;              // kColumnCount rows, in the order above
    const char* consoleHelp;               // the command-line help
    const char* const* toolBarLabels;      // kToolBarCount labels, each ending in two NULs
    const char* const* toolBarTips;        // kToolBarCount tooltips
    const char* const* toolBar2LabelsWI;   // kToolBar2Count labels, each ending in two NULs
    const char* const* toolBar2TipsWI;     // kToolBar2Count tooltips
    const char* const* confirmations;      // kConfirmationCount button captions
};

extern const LanguageTexts kEnglishTexts;
extern const LanguageTexts kGermanTexts;
