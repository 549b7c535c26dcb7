// English texts (language code 1), the library's default language.
//
// Identifiers that no caller uses yet, or whose caller does not settle what they say; their
// wording is a sensible guess to refine once a caller appears (the German table follows the
// same list):
//
//   table          identifiers
//   -------------  -----------------------------------------------------------------------
//   message        2 18 21 30 31 38 39 40 43 44 45 46 47 49 50 51 52 53 54 57 58 59 60 61
//                  62 64 66 72 73 77 78 82 86 87 88 89 90 92 97 98 100 101
//   generic        3-8 10 11 14 15 24 32 33 37-41 48 51-59 62-68 75 77
//   configuration  5 10 11 (entries of "AddDirectoriesCombo": folder first, then files)
//                  13 14 (the two lines of the "RegisterApp" confirmation, "%s\n%s")
//                  17 34 36 40 66 68 74-81 89 90 100
//   menu item      4008 (rename the selected member), 4009 (set the archive password)
//   pop-up         all but 14 (close), 15 (natural size), 21 (copy picture), 23 (save as bitmap)
//   status tip     0-5
//   toolbar 2      labels and tips 0-3 (flat view, folder view, settings, help)
//   toolbar        labels and tips in button order 16001-16006 (new, add folder, extract,
//                  delete, open, find)
//
// Texts are handed to callers that put them into their own format strings ("%s \"%s\" %s",
// "%s %d %s ?", ...) or show them as they are; none of them is a format string itself, so
// none carries a '%'. Texts that a caller completes with "?" or ":" leave it out.
#include "texts.h"

namespace {

const LongText kMessages[] = {
    /*   0 */ "Select the folder to extract to",
    /*   1 */ "Select the files for the new archive",
    /*   2 */ "The archive is empty.",
    /*   3 */ "Total:",
    /*   4 */ "compressed",
    /*   5 */ "uncompressed",
    /*   6 */ "file",
    /*   7 */ "files",
    /*   8 */ "Selection:",
    /*   9 */ "file selected",
    /*  10 */ "files selected",
    /*  11 */ "Do you really want to delete the selected entry",
    /*  12 */ "Do you really want to delete the",
    /*  13 */ "selected entries",
    /*  14 */ "The file",
    /*  15 */ "exists already. Replace it",
    /*  16 */ "Confirm replacing",
    /*  17 */ "Collecting files",
    /*  18 */ "Adding files to the archive",
    /*  19 */ "Compressing the file",
    /*  20 */ "Compressing the files",
    /*  21 */ "Preparing the archive",
    /*  22 */ "Save the self-extracting program as",
    /*  23 */ "Writing",
    /*  24 */ "The self-extracting program was created:",
    /*  25 */ "Select the folder for the new archive",
    /*  26 */ "Save the archive as",
    /*  27 */ "Save the new TAR archive as",
    /*  28 */ "Open archive",
    /*  29 */ "Select the folder to add to the archive",
    /*  30 */ "Reading the archive",
    /*  31 */ "The archive is damaged.",
    /*  32 */ "The archive is not password-protected.",
    /*  33 */ "The archive is password-protected.",
    /*  34 */ "The open archive was renamed, moved or deleted by another program. "
              "Open it again to go on working with it.",
    /*  35 */ "The file",
    /*  36 */ "cannot be opened",
    /*  37 */ "Replace this entry of the archive with the changed text?",
    /*  38 */ "The changed text cannot be saved into the archive.",
    /*  39 */ "The changed text was saved into the archive.",
    /*  40 */ "Nothing is selected.",
    /*  41 */ "All background jobs have finished.",
    /*  42 */ "Extracting archive",
    /*  43 */ "The extraction has finished.",
    /*  44 */ "The extraction is not complete.",
    /*  45 */ "The archive cannot be written.",
    /*  46 */ "Not enough memory.",
    /*  47 */ "The temporary file cannot be created.",
    /*  48 */ "There is nothing to search: the list is empty.",
    /*  49 */ "The password is wrong.",
    /*  50 */ "Please enter the password of the archive.",
    /*  51 */ "Another operation is still running. Please wait until it has finished.",
    /*  52 */ "The file is too large to be shown.",
    /*  53 */ "The entry cannot be shown.",
    /*  54 */ "Loading the picture",
    /*  55 */ "This operation changes",
    /*  56 */ "entries of the archive. Do you want to continue?",
    /*  57 */ "Copying to the clipboard",
    /*  58 */ "The clipboard holds no files.",
    /*  59 */ "Files cannot be pasted into an archive of this type.",
    /*  60 */ "Moving entries",
    /*  61 */ "The entries were moved.",
    /*  62 */ "The target folder does not exist.",
    /*  63 */ "The operation was cancelled.",
    /*  64 */ "The archive was repaired.",
    /*  65 */ "The picture cannot be loaded.",
    /*  66 */ "The history library is not available.",
    /*  67 */ "Searching works in ZIP archives only; it is not available for TAR archives.",
    /*  68 */ "Searching works in ZIP archives only; it is not available for ISO images.",
    /*  69 */ "Select the damaged ZIP archive",
    /*  70 */ "Save the repaired archive as",
    /*  71 */ "This file type is not supported.",
    /*  72 */ "The recent-files library is not available.",
    /*  73 */ "The file does not exist any more.",
    /*  74 */ "Folders cannot be added to a TAR archive.",
    /*  75 */ "This entry is a program. Do you want to run it",
    /*  76 */ "This entry is an installer. The whole archive will be extracted to the "
              "temporary folder before it runs. Do you want to continue",
    /*  77 */ "The program cannot be started.",
    /*  78 */ "The help file cannot be found.",
    /*  79 */ "Several files were dropped. Do you want to extract each of them as an archive?",
    /*  80 */ "Files cannot be added to an archive of this type.",
    /*  81 */ "Searching works in ZIP archives only; it is not available for RAR archives.",
    /*  82 */ "The format of this archive cannot be changed.",
    /*  83 */ "Compressing",
    /*  84 */ "Deleting",
    /*  85 */ "Renaming",
    /*  86 */ "Pasting files",
    /*  87 */ "Cutting entries",
    /*  88 */ "Searching",
    /*  89 */ "No entry matches.",
    /*  90 */ "Printing the list",
    /*  91 */ "Save the picture as bitmap",
    /*  92 */ "The picture cannot be saved.",
    /*  93 */ "of",
    /*  94 */ "Error",
    /*  95 */ "The folder cannot be created:",
    /*  96 */ "The folder exists already:",
    /*  97 */ "The archive is read-only.",
    /*  98 */ "The language was changed.",
    /*  99 */ "(it may be in use by another program, moved or deleted).",
    /* 100 */ "The operation has finished.",
    /* 101 */ "The self-extracting program cannot be created.",
    /* 102 */ "Computing the checksum of a large file",
};
static_assert(sizeof(kMessages) / sizeof(kMessages[0]) == kMessageCount, "message count");

const LongText kGeneric[] = {
    /*  0 */ "OK",
    /*  1 */ "Cancel",
    /*  2 */ "Help",
    /*  3 */ "Yes",
    /*  4 */ "No",
    /*  5 */ "Close",
    /*  6 */ "Apply",
    /*  7 */ "Browse...",
    /*  8 */ "ZIP archives",
    /*  9 */ "All files",
    /* 10 */ "Text files",
    /* 11 */ "Programs",
    /* 12 */ "The TAR library tar.dll cannot be found. TAR archives cannot be opened.",
    /* 13 */ "The TAR library tar.dll lacks a function that this operation needs.",
    /* 14 */ "Folder",
    /* 15 */ "Files",
    /* 16 */ "Set password",
    /* 17 */ "Password:",
    /* 18 */ "Repeat password:",
    /* 19 */ "Rename folder",
    /* 20 */ "Current path:",
    /* 21 */ "New path:",
    /* 22 */ "File filter",
    /* 23 */ "Add only files whose names end with (separated by \";\", e.g. .txt;.java):",
    /* 24 */ "Details",
    /* 25 */ "View",
    /* 26 */ "Font...",
    /* 27 */ "Save",
    /* 28 */ "Find...",
    /* 29 */ "Save the changed text back into the archive",
    /* 30 */ "Progress",
    /* 31 */ "Writing the self-extracting program",
    /* 32 */ "Name",
    /* 33 */ "Size",
    /* 34 */ "Password",
    /* 35 */ "The two passwords differ. Please enter them again.",
    /* 36 */ "File",
    /* 37 */ "Retry",
    /* 38 */ "Skip",
    /* 39 */ "Yes to all",
    /* 40 */ "Stop",
    /* 41 */ "Print",
    /* 42 */ "The ISO library iso.dll cannot be found. ISO images cannot be opened.",
    /* 43 */ "The ISO library iso.dll lacks a function that this operation needs.",
    /* 44 */ "A path inside the archive must not begin with \"/\" or \"\\\".",
    /* 45 */ "was not found.",
    /* 46 */ "Go to line",
    /* 47 */ "Line number",
    /* 48 */ "Select",
    /* 49 */ "The RAR library unrar.dll cannot be found. RAR archives cannot be opened.",
    /* 50 */ "The RAR library unrar.dll lacks a function that this operation needs.",
    /* 51 */ "RAR archives",
    /* 52 */ "TAR archives",
    /* 53 */ "ISO images",
    /* 54 */ "Pictures",
    /* 55 */ "Date",
    /* 56 */ "Time",
    /* 57 */ "Bytes",
    /* 58 */ "KB",
    /* 59 */ "MB",
    /* 60 */ "Select the folder that holds the archives",
    /* 61 */ "Select the folder to extract the archives to",
    /* 62 */ "Delete the archives after extraction",
    /* 63 */ "One folder per archive",
    /* 64 */ "Choose the archives from a list",
    /* 65 */ "Extract several archives",
    /* 66 */ "Archives found",
    /* 67 */ "Start",
    /* 68 */ "Back",
    /* 69 */ "Archive",
    /* 70 */ "Folder of the archive",
    /* 71 */ "Last opened",
    /* 72 */ "Times opened",
    /* 73 */ "Archive size",
    /* 74 */ "Recently opened archives",
    /* 75 */ "Properties",
    /* 76 */ "Update check",
    /* 77 */ "Version",
    /* 78 */ "New version",
    /* 79 */ "Your version",
    /* 80 */ "The version information cannot be downloaded. Please try again later.",
    /* 81 */ "Download",
    /* 82 */ "Not now",
    /* 83 */ "Your version",
    /* 84 */ "is the newest version.",
    /* 85 */ "Reading the archive",
    /* 86 */ "/",
    /* 87 */ "MB/s",
};
static_assert(sizeof(kGeneric) / sizeof(kGeneric[0]) == kGenericCount, "generic count");

const LongText kConfiguration[] = {
    /*   0 */ "Create a self-extracting program",
    /*   1 */ "Protect new archives with a password",
    /*   2 */ "Ask for a file-name filter",
    /*   3 */ "Leave out subfolders",
    /*   4 */ "Default compression (level 6)",
    /*   5 */ "Compression level:",
    /*   6 */ "Preview pictures",
    /*   7 */ "Keep the sort column",
    /*   8 */ "Open entries in the built-in viewers",
    /*   9 */ "New archives are made from:",
    /*  10 */ "A whole folder",
    /*  11 */ "Selected files",
    /*  12 */ "Open ZIP files with Kelvora",
    /*  13 */ "Kelvora becomes the program that opens ZIP files in Explorer.",
    /*  14 */ "Do you want to continue?",
    /*  15 */ "ZIP archive",
    /*  16 */ "TAR archive",
    /*  17 */ "Password:",
    /*  18 */ "Set password",
    /*  19 */ "Program",
    /*  20 */ "Extensions",
    /*  21 */ "Adding files",
    /*  22 */ "Archive creation",
    /*  23 */ "Compression",
    /*  24 */ "List view",
    /*  25 */ "Integration",
    /*  26 */ "Menu colours",
    /*  27 */ "Preferred format",
    /*  28 */ "History",
    /*  29 */ "Format of new archives",
    /*  30 */ "New archives",
    /*  31 */ "File association",
    /*  32 */ "Archive password",
    /*  33 */ "Options for adding files",
    /*  34 */ "Folders",
    /*  35 */ "Allow saving changed text into the archive",
    /*  36 */ "Pictures in the list",
    /*  37 */ "Java class viewer",
    /*  38 */ "Use program",
    /*  39 */ "Browse...",
    /*  40 */ "Program for class files:",
    /*  41 */ "Modern menu style",
    /*  42 */ "Menus",
    /*  43 */ "Colours of the menu gradient",
    /*  44 */ "Lower colour...",
    /*  45 */ "Upper colour...",
    /*  46 */ "Do you want to change the archive password?",
    /*  47 */ "The archive password could not be changed.",
    /*  48 */ "The archive password was changed.",
    /*  49 */ "Compression level",
    /*  50 */ "List view and opening",
    /*  51 */ "Viewer",
    /*  52 */ "Text viewer",
    /*  53 */ "Remember the viewer font",
    /*  54 */ "Keep a history of extractions",
    /*  55 */ "Transfer history",
    /*  56 */ "Encrypt the history",
    /*  57 */ "Password for the history:",
    /*  58 */ "History encryption",
    /*  59 */ "Please enter a password for the history.",
    /*  60 */ "The history is now encrypted.",
    /*  61 */ "The history could not be encrypted.",
    /*  62 */ "The history is no longer encrypted.",
    /*  63 */ "The history could not be decrypted.",
    /*  64 */ "The history is switched off. Do you want to delete the stored history as well?",
    /*  65 */ "Recent archives",
    /*  66 */ "Recent archives list",
    /*  67 */ "Recently opened archives",
    /*  68 */ "Clear the list",
    /*  69 */ "ISO images",
    /*  70 */ "Open ISO images with Kelvora",
    /*  71 */ "ISO association",
    /*  72 */ "Do you want to change the program that opens ISO images?",
    /*  73 */ "Keep an extended list of recent archives",
    /*  74 */ "Move to the top",
    /*  75 */ "Move up",
    /*  76 */ "Move down",
    /*  77 */ "Move to the bottom",
    /*  78 */ "Remove the entry",
    /*  79 */ "Last opened",
    /*  80 */ "Menu style",
    /*  81 */ "Formats",
    /*  82 */ "Java classes",
    /*  83 */ "Language",
    /*  84 */ "Language of the program:",
    /*  85 */ "Hide the dialog for files and folders",
    /*  86 */ "Do not search for updates any more",
    /*  87 */ "Show pictures centred",
    /*  88 */ "Pictures",
    /*  89 */ "Size in pixels",
    /*  90 */ "Picture viewer",
    /*  91 */ "Fixed picture size:",
    /*  92 */ "Show pictures with scroll bars",
    /*  93 */ "Do not remember recently opened archives",
    /*  94 */ "Recent list",
    /*  95 */ "Updates",
    /*  96 */ "Automatic update check",
    /*  97 */ "Do not search for updates",
    /*  98 */ "Manual check",
    /*  99 */ "Check now",
    /* 100 */ "Search for updates at start",
    /* 101 */ "Archive password",
    /* 102 */ "The password for new archives is set on the page \"Integration\".",
};
static_assert(sizeof(kConfiguration) / sizeof(kConfiguration[0]) == kConfigurationCount,
              "configuration count");

const ShortText kMenus[] = {
    /* 5001 */ "&File",
    /* 5002 */ "&Edit",
    /* 5003 */ "&View",
    /* 5004 */ "&Tools",
    /* 5005 */ "&Help",
};
static_assert(sizeof(kMenus) / sizeof(kMenus[0]) == kMenuCount, "menu count");

const ShortText kMenuItems[] = {
    /* 4001 */ "&New archive...",
    /* 4002 */ "&Open...",
    /* 4003 */ "&Close",
    /* 4004 */ "&Reload",
    /* 4005 */ "Create &self-extracting program...",
    /* 4006 */ "Save a cop&y as...",
    /* 4007 */ "E&xit",
    /* 4008 */ "Re&name",
    /* 4009 */ "Set pass&word...",
    /* 4010 */ "Cu&t",
    /* 4011 */ "&Copy",
    /* 4012 */ "&Paste",
    /* 4013 */ "&Find by name...",
    /* 4014 */ "Find in c&ontents...",
    /* 4015 */ "&Add folder...",
    /* 4016 */ "&Extract...",
    /* 4017 */ "&Delete",
    /* 4018 */ "Select &all",
    /* 4019 */ "&Flat view",
    /* 4020 */ "F&older view",
    /* 4021 */ "&Settings...",
    /* 4022 */ "&Help",
    /* 4023 */ "&About Kelvora",
    /* 4024 */ "&Repair archive...",
    /* 4025 */ "&History...",
    /* 4026 */ "&Print list...",
    /* 4027 */ "Extract se&veral archives...",
    /* 4028 */ "Recent arc&hives...",
};
static_assert(sizeof(kMenuItems) / sizeof(kMenuItems[0]) == kMenuItemCount, "menu item count");

const ShortText kPopups[] = {
    /*  0 */ "Open",
    /*  1 */ "Open with...",
    /*  2 */ "Extract...",
    /*  3 */ "Copy",
    /*  4 */ "Cut",
    /*  5 */ "Paste",
    /*  6 */ "Delete",
    /*  7 */ "Rename",
    /*  8 */ "Select all",
    /*  9 */ "Properties",
    /* 10 */ "Find...",
    /* 11 */ "New folder...",
    /* 12 */ "Rename folder...",
    /* 13 */ "Delete folder",
    /* 14 */ "Close",
    /* 15 */ "Natural size",
    /* 16 */ "Extract folder...",
    /* 17 */ "Expand all",
    /* 18 */ "Collapse all",
    /* 19 */ "Refresh",
    /* 20 */ "Open in the text viewer",
    /* 21 */ "Copy picture",
    /* 22 */ "Print list...",
    /* 23 */ "Save as bitmap...",
    /* 24 */ "Flat view",
    /* 25 */ "Folder view",
    /* 26 */ "Add files...",
};
static_assert(sizeof(kPopups) / sizeof(kPopups[0]) == kPopupCount, "pop-up count");

const ShortText kStatusTips[] = {
    /* 0 */ "Flat view: every member of the archive in one list",
    /* 1 */ "Folder view: the members of the selected folder",
    /* 2 */ "Number of members",
    /* 3 */ "Compressed and uncompressed size",
    /* 4 */ "Click to switch between adding files and adding a folder",
    /* 5 */ "Click to switch new archives between ZIP and TAR",
};
static_assert(sizeof(kStatusTips) / sizeof(kStatusTips[0]) == kStatusTipCount, "status tip count");

// Indexed by the plug-in text number that the RAR error report picks for an UnRAR code.
const LongText kPlugins[] = {
    /* 0 */ "Unknown archive format.",
    /* 1 */ "Bad volume.",
    /* 2 */ "A file cannot be created.",
    /* 3 */ "A volume cannot be opened.",
    /* 4 */ "A file cannot be closed.",
    /* 5 */ "Read error.",
    /* 6 */ "Write error.",
    /* 7 */ "CRC error: the data is damaged.",
    /* 8 */ "Unknown error.",
    /* 9 */ "No password was given for an encrypted file.",
};
static_assert(sizeof(kPlugins) / sizeof(kPlugins[0]) == kPluginCount, "plug-in count");

const ShortText kToolBar2Labels[] = {
    /* 0 */ "Flat view\0",
    /* 1 */ "Folder view\0",
    /* 2 */ "Settings\0",
    /* 3 */ "Help\0",
};
static_assert(sizeof(kToolBar2Labels) / sizeof(kToolBar2Labels[0]) == kToolBar2Count, "toolbar 2");

const ShortText kToolBar2Tips[] = {
    /* 0 */ "Show every member in one list",
    /* 1 */ "Show the folders of the archive as a tree",
    /* 2 */ "Change the settings",
    /* 3 */ "Show the help",
};
static_assert(sizeof(kToolBar2Tips) / sizeof(kToolBar2Tips[0]) == kToolBar2Count, "toolbar 2 tips");

// The same labels for relabelling the second toolbar, in rows of their own.
const ShortText kToolBar2LabelsWI[] = {
    "Flat view\0",
    "Folder view\0",
    "Settings\0",
    "Help\0",
};
static_assert(sizeof(kToolBar2LabelsWI) / sizeof(kToolBar2LabelsWI[0]) == kToolBar2Count, "WI");

const ShortText kToolBar2TipsWI[] = {
    "Show every member in one list",
    "Show the folders of the archive as a tree",
    "Change the settings",
    "Show the help",
};
static_assert(sizeof(kToolBar2TipsWI) / sizeof(kToolBar2TipsWI[0]) == kToolBar2Count, "WI tips");

const ShortText kLanguageNames[] = {
    /* 0 */ "German (Deutsch)",
    /* 1 */ "English",
};
static_assert(sizeof(kLanguageNames) / sizeof(kLanguageNames[0]) == kLanguageNameCount, "names");

// Callers find columns by comparing header texts, so the eight must differ.
const ShortText kColumns[] = {
    /* filename */ "Name",
    /* path */ "Path",
    /* compressed */ "Compressed",
    /* uncompressed */ "Size",
    /* ratio */ "Ratio",
    /* date */ "Modified",
    /* type */ "Type",
    /* encrypted */ "Encrypted",
};
static_assert(sizeof(kColumns) / sizeof(kColumns[0]) == kColumnCount, "column count");

// Buttons 16001-16006 of the main toolbar.
const ShortText kToolBarLabelRows[] = {
    "New\0", "Add\0", "Extract\0", "Delete\0", "Open\0", "Find\0",
};
static_assert(sizeof(kToolBarLabelRows) / sizeof(kToolBarLabelRows[0]) == kToolBarCount, "toolbar");

const ShortText kToolBarTipRows[] = {
    "Create a new archive",
    "Add a folder to the archive",
    "Extract the selected members",
    "Delete the selected members",
    "Open an archive",
    "Find members by name",
};
static_assert(sizeof(kToolBarTipRows) / sizeof(kToolBarTipRows[0]) == kToolBarCount, "toolbar tips");

// The overwrite question's answers 0-3, then "skip all" (the button box cuts captions to 15
// characters), then the labels of the two files' size and date in its text.
const ShortText kConfirmationRows[] = {
    "Replace", "Replace all", "Skip", "Cancel", "Skip all",
    "Existing:", "In the archive:",
};
static_assert(sizeof(kConfirmationRows) / sizeof(kConfirmationRows[0]) == kConfirmationCount,
              "confirmations");

const char* const kToolBarLabels[kToolBarCount] = {
    kToolBarLabelRows[0], kToolBarLabelRows[1], kToolBarLabelRows[2],
    kToolBarLabelRows[3], kToolBarLabelRows[4], kToolBarLabelRows[5],
};
const char* const kToolBarTips[kToolBarCount] = {
    kToolBarTipRows[0], kToolBarTipRows[1], kToolBarTipRows[2],
    kToolBarTipRows[3], kToolBarTipRows[4], kToolBarTipRows[5],
};
const char* const kToolBar2LabelPointers[kToolBar2Count] = {
    kToolBar2LabelsWI[0], kToolBar2LabelsWI[1], kToolBar2LabelsWI[2], kToolBar2LabelsWI[3],
};
const char* const kToolBar2TipPointers[kToolBar2Count] = {
    kToolBar2TipsWI[0], kToolBar2TipsWI[1], kToolBar2TipsWI[2], kToolBar2TipsWI[3],
};
const char* const kConfirmations[kConfirmationCount] = {
    kConfirmationRows[0], kConfirmationRows[1], kConfirmationRows[2], kConfirmationRows[3],
    kConfirmationRows[4], kConfirmationRows[5], kConfirmationRows[6],
};

const char kConsoleHelp[] =
    "Kelvora - archive viewer and manager\r\n"
    "\r\n"
    "Usage: kelvora [option] [file ...]\r\n"
    "\r\n"
    "Without an argument Kelvora starts with an empty window.\r\n"
    "\r\n"
    "kelvora ARCHIVE\r\n"
    "    Opens the archive: .zip, .jar, .war; .tar, .tgz, .gz, .tar.gz, .tar.z, .tar.bz2;\r\n"
    "    .iso, .nrg; .rar. Any other single file is opened as a picture or media file when\r\n"
    "    it ends in .jpg, .jpeg, .png, .bmp, .gif, .ico, .avi, .odt or .ods; otherwise the\r\n"
    "    window starts empty.\r\n"
    "kelvora FILE1 FILE2 ...\r\n"
    "    Two or more files: creates a new archive from all of them, as -c does.\r\n"
    "\r\n"
    "Options (upper or lower case):\r\n"
    "-x ARCHIVE\r\n"
    "    Extracts the whole archive. Kelvora asks for the target folder, shows the\r\n"
    "    progress and ends; no main window is opened.\r\n"
    "-c FILE ...\r\n"
    "    Creates a new archive from the files; Kelvora asks for its name and shows the\r\n"
    "    progress.\r\n"
    "-cs FILE ...\r\n"
    "    As -c, but as a background job without progress dialog.\r\n"
    "-s FILE ...\r\n"
    "    The same as -cs.\r\n"
    "-csim FILE ...\r\n"
    "    As -c, but only simulated: nothing is written, every step is logged.\r\n"
    "-a FILE ...\r\n"
    "    Adds the files to an archive that you choose, with progress dialog.\r\n"
    "-as FILE ...\r\n"
    "    As -a, but as a background job without progress dialog.\r\n"
    "-asim FILE ...\r\n"
    "    As -a, but only simulated: nothing is written, every step is logged.\r\n"
    "-h, -help, --help, /help\r\n"
    "    Shows this help.\r\n"
    "\r\n"
    "Enclose names that contain blanks in double quotes, e.g. \"my files.zip\".\r\n"
    "Any other option that begins with -- or -/ ends Kelvora without doing anything.\r\n";

}  // namespace

extern const LanguageTexts kEnglishTexts = {
    LANG_CODE_ENGLISH,
    kMessages,
    kGeneric,
    kConfiguration,
    kMenus,
    kMenuItems,
    kPopups,
    kStatusTips,
    kPlugins,
    kToolBar2Labels,
    kToolBar2Tips,
    kLanguageNames,
    kColumns,
    kConsoleHelp,
    kToolBarLabels,
    kToolBarTips,
    kToolBar2LabelPointers,
    kToolBar2TipPointers,
    kConfirmations,
};
