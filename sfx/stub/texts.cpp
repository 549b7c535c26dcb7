// The stub's built-in German and English texts.
#include "sfx/stub/stub.h"

static const char* const kGermanTexts[SFX_TEXT_COUNT] = {
    "Verzeichnis angeben in das die Archivdateien entpackt werden",
    "Dateien erfolgreich entpackt nach",
    "Ja",
    "Nein",
    "Alle",
    "Existierende Dateien \xfc" "berschreiben ?",
    "Nicht alle Dateien wurden entpackt: %lld Namen zeigen aus dem Zielverzeichnis hinaus und wurden abgewiesen.",
    "Das Kennwort ist falsch. Noch einmal versuchen?",
};

static const char* const kEnglishTexts[SFX_TEXT_COUNT] = {
    "Specify directory to extract files",
    "Unzipped files successful to",
    "Yes",
    "No",
    "All",
    "Overwrite existing files ?",
    "Not every file was extracted: %lld names lead out of the target folder and were refused.",
    "The password is wrong. Try again?",
};

static const char* const* gTexts = kEnglishTexts;

void ChooseStubLanguage(void) {
    gTexts = (GetSystemDefaultLangID() & 0xFF) == 7 ? kGermanTexts : kEnglishTexts;
}

const char* StubText(int index) {
    return index >= 0 && index < SFX_TEXT_COUNT ? gTexts[index] : "";
}
