// German texts (language code 7), in Windows-1252: umlauts are written as escapes so that the
// source stays ASCII, e.g. "f\xFC" "r" (a hex escape ends where the literal is split).
//
// The identifiers whose wording is a guess are the same as in the English table (see the
// list at the top of texts_en.cpp).
//
// As in English, no text is a format string (none carries a '%'), and texts that a caller
// completes with "?" or ":" leave it out.
#include "texts.h"

namespace {

const LongText kMessages[] = {
    /*   0 */ "Zielordner zum Entpacken ausw\xE4hlen",
    /*   1 */ "Dateien f\xFCr das neue Archiv ausw\xE4hlen",
    /*   2 */ "Das Archiv ist leer.",
    /*   3 */ "Gesamt:",
    /*   4 */ "gepackt",
    /*   5 */ "entpackt",
    /*   6 */ "Datei",
    /*   7 */ "Dateien",
    /*   8 */ "Auswahl:",
    /*   9 */ "Datei ausgew\xE4hlt",
    /*  10 */ "Dateien ausgew\xE4hlt",
    /*  11 */ "Soll der ausgew\xE4hlte Eintrag wirklich gel\xF6scht werden",
    /*  12 */ "Sollen die",
    /*  13 */ "ausgew\xE4hlten Eintr\xE4ge wirklich gel\xF6scht werden",
    /*  14 */ "Die Datei",
    /*  15 */ "existiert bereits. Ersetzen",
    /*  16 */ "Ersetzen best\xE4tigen",
    /*  17 */ "Dateien werden gesammelt",
    /*  18 */ "Dateien werden zum Archiv hinzugef\xFCgt",
    /*  19 */ "Datei wird komprimiert",
    /*  20 */ "Dateien werden komprimiert",
    /*  21 */ "Archiv wird vorbereitet",
    /*  22 */ "Selbstentpackendes Programm speichern unter",
    /*  23 */ "Schreibe",
    /*  24 */ "Das selbstentpackende Programm wurde erstellt:",
    /*  25 */ "Ordner f\xFCr das neue Archiv ausw\xE4hlen",
    /*  26 */ "Archiv speichern unter",
    /*  27 */ "Neues TAR-Archiv speichern unter",
    /*  28 */ "Archiv \xF6" "ffnen",
    /*  29 */ "Ordner zum Hinzuf\xFCgen ausw\xE4hlen",
    /*  30 */ "Archiv wird gelesen",
    /*  31 */ "Das Archiv ist besch\xE4" "digt.",
    /*  32 */ "Das Archiv ist nicht mit einem Passwort gesch\xFCtzt.",
    /*  33 */ "Das Archiv ist mit einem Passwort gesch\xFCtzt.",
    /*  34 */ "Das ge\xF6" "ffnete Archiv wurde von einem anderen Programm umbenannt, verschoben "
              "oder gel\xF6scht. \xD6" "ffnen Sie es erneut, um damit weiterzuarbeiten.",
    /*  35 */ "Die Datei",
    /*  36 */ "kann nicht ge\xF6" "ffnet werden",
    /*  37 */ "Soll dieser Eintrag des Archivs durch den ge\xE4nderten Text ersetzt werden?",
    /*  38 */ "Der ge\xE4nderte Text kann nicht im Archiv gespeichert werden.",
    /*  39 */ "Der ge\xE4nderte Text wurde im Archiv gespeichert.",
    /*  40 */ "Es ist nichts ausgew\xE4hlt.",
    /*  41 */ "Alle Hintergrundauftr\xE4ge sind beendet.",
    /*  42 */ "Archiv entpacken",
    /*  43 */ "Das Entpacken ist beendet.",
    /*  44 */ "Das Entpacken ist nicht vollst\xE4ndig.",
    /*  45 */ "Das Archiv kann nicht geschrieben werden.",
    /*  46 */ "Nicht gen\xFCgend Speicher.",
    /*  47 */ "Die tempor\xE4re Datei kann nicht angelegt werden.",
    /*  48 */ "Es gibt nichts zu durchsuchen: die Liste ist leer.",
    /*  49 */ "Das Passwort ist falsch.",
    /*  50 */ "Bitte geben Sie das Passwort des Archivs ein.",
    /*  51 */ "Ein anderer Vorgang l\xE4uft noch. Bitte warten Sie, bis er beendet ist.",
    /*  52 */ "Die Datei ist zu gro\xDF, um sie anzuzeigen.",
    /*  53 */ "Der Eintrag kann nicht angezeigt werden.",
    /*  54 */ "Bild wird geladen",
    /*  55 */ "Dieser Vorgang \xE4ndert",
    /*  56 */ "Eintr\xE4ge des Archivs. M\xF6" "chten Sie fortfahren?",
    /*  57 */ "Kopiere in die Zwischenablage",
    /*  58 */ "Die Zwischenablage enth\xE4lt keine Dateien.",
    /*  59 */ "In ein Archiv dieses Typs k\xF6nnen keine Dateien eingef\xFCgt werden.",
    /*  60 */ "Eintr\xE4ge werden verschoben",
    /*  61 */ "Die Eintr\xE4ge wurden verschoben.",
    /*  62 */ "Der Zielordner existiert nicht.",
    /*  63 */ "Der Vorgang wurde abgebrochen.",
    /*  64 */ "Das Archiv wurde repariert.",
    /*  65 */ "Das Bild kann nicht geladen werden.",
    /*  66 */ "Die Verlaufsbibliothek ist nicht verf\xFCgbar.",
    /*  67 */ "Die Suche funktioniert nur in ZIP-Archiven; in TAR-Archiven ist sie nicht m\xF6glich.",
    /*  68 */ "Die Suche funktioniert nur in ZIP-Archiven; in ISO-Abbildern ist sie nicht m\xF6glich.",
    /*  69 */ "Besch\xE4" "digtes ZIP-Archiv ausw\xE4hlen",
    /*  70 */ "Repariertes Archiv speichern unter",
    /*  71 */ "Dieser Dateityp wird nicht unterst\xFCtzt.",
    /*  72 */ "Die Bibliothek f\xFCr zuletzt ge\xF6" "ffnete Dateien ist nicht verf\xFCgbar.",
    /*  73 */ "Die Datei existiert nicht mehr.",
    /*  74 */ "Ordner k\xF6nnen nicht zu einem TAR-Archiv hinzugef\xFCgt werden.",
    /*  75 */ "Dieser Eintrag ist ein Programm. M\xF6" "chten Sie es ausf\xFChren",
    /*  76 */ "Dieser Eintrag ist ein Installationsprogramm. Vor dem Start wird das ganze Archiv "
              "in den tempor\xE4ren Ordner entpackt. M\xF6" "chten Sie fortfahren",
    /*  77 */ "Das Programm kann nicht gestartet werden.",
    /*  78 */ "Die Hilfedatei wurde nicht gefunden.",
    /*  79 */ "Es wurden mehrere Dateien abgelegt. M\xF6" "chten Sie jede davon als Archiv entpacken?",
    /*  80 */ "Zu einem Archiv dieses Typs k\xF6nnen keine Dateien hinzugef\xFCgt werden.",
    /*  81 */ "Die Suche funktioniert nur in ZIP-Archiven; in RAR-Archiven ist sie nicht m\xF6glich.",
    /*  82 */ "Das Format dieses Archivs kann nicht ge\xE4ndert werden.",
    /*  83 */ "Komprimiere",
    /*  84 */ "L\xF6sche",
    /*  85 */ "Benenne um",
    /*  86 */ "Dateien werden eingef\xFCgt",
    /*  87 */ "Eintr\xE4ge werden ausgeschnitten",
    /*  88 */ "Suche l\xE4uft",
    /*  89 */ "Kein Eintrag passt.",
    /*  90 */ "Liste wird gedruckt",
    /*  91 */ "Bild als Bitmap speichern",
    /*  92 */ "Das Bild kann nicht gespeichert werden.",
    /*  93 */ "von",
    /*  94 */ "Fehler",
    /*  95 */ "Der Ordner kann nicht angelegt werden:",
    /*  96 */ "Der Ordner existiert bereits:",
    /*  97 */ "Das Archiv ist schreibgesch\xFCtzt.",
    /*  98 */ "Die Sprache wurde ge\xE4ndert.",
    /*  99 */ "(sie wird vielleicht von einem anderen Programm benutzt, wurde verschoben oder "
              "gel\xF6scht).",
    /* 100 */ "Der Vorgang ist beendet.",
    /* 101 */ "Das selbstentpackende Programm kann nicht erstellt werden.",
    /* 102 */ "Pr\xFC" "fsumme einer gro\xDF" "en Datei wird berechnet",
};
static_assert(sizeof(kMessages) / sizeof(kMessages[0]) == kMessageCount, "message count");

const LongText kGeneric[] = {
    /*  0 */ "OK",
    /*  1 */ "Abbrechen",
    /*  2 */ "Hilfe",
    /*  3 */ "Ja",
    /*  4 */ "Nein",
    /*  5 */ "Schlie\xDF" "en",
    /*  6 */ "\xDC" "bernehmen",
    /*  7 */ "Durchsuchen...",
    /*  8 */ "ZIP-Archive",
    /*  9 */ "Alle Dateien",
    /* 10 */ "Textdateien",
    /* 11 */ "Programme",
    /* 12 */ "Die TAR-Bibliothek tar.dll wurde nicht gefunden. "
             "TAR-Archive k\xF6nnen nicht ge\xF6" "ffnet werden.",
    /* 13 */ "Der TAR-Bibliothek tar.dll fehlt eine Funktion, die dieser Vorgang braucht.",
    /* 14 */ "Ordner",
    /* 15 */ "Dateien",
    /* 16 */ "Passwort festlegen",
    /* 17 */ "Passwort:",
    /* 18 */ "Passwort wiederholen:",
    /* 19 */ "Ordner umbenennen",
    /* 20 */ "Bisheriger Pfad:",
    /* 21 */ "Neuer Pfad:",
    /* 22 */ "Dateifilter",
    /* 23 */ "Nur Dateien hinzuf\xFCgen, deren Name endet auf (getrennt durch \";\", z. B. .txt;.java):",
    /* 24 */ "Details",
    /* 25 */ "Ansicht",
    /* 26 */ "Schrift...",
    /* 27 */ "Speichern",
    /* 28 */ "Suchen...",
    /* 29 */ "Den ge\xE4nderten Text zur\xFC" "ck ins Archiv speichern",
    /* 30 */ "Fortschritt",
    /* 31 */ "Selbstentpackendes Programm wird geschrieben",
    /* 32 */ "Name",
    /* 33 */ "Gr\xF6\xDF" "e",
    /* 34 */ "Passwort",
    /* 35 */ "Die beiden Passw\xF6rter sind verschieden. Bitte geben Sie sie erneut ein.",
    /* 36 */ "Datei",
    /* 37 */ "Wiederholen",
    /* 38 */ "\xDC" "berspringen",
    /* 39 */ "Ja, alle",
    /* 40 */ "Anhalten",
    /* 41 */ "Drucken",
    /* 42 */ "Die ISO-Bibliothek iso.dll wurde nicht gefunden. "
             "ISO-Abbilder k\xF6nnen nicht ge\xF6" "ffnet werden.",
    /* 43 */ "Der ISO-Bibliothek iso.dll fehlt eine Funktion, die dieser Vorgang braucht.",
    /* 44 */ "Ein Pfad im Archiv darf nicht mit \"/\" oder \"\\\" beginnen.",
    /* 45 */ "wurde nicht gefunden.",
    /* 46 */ "Gehe zu Zeile",
    /* 47 */ "Zeilennummer",
    /* 48 */ "Ausw\xE4hlen",
    /* 49 */ "Die RAR-Bibliothek unrar.dll wurde nicht gefunden. "
             "RAR-Archive k\xF6nnen nicht ge\xF6" "ffnet werden.",
    /* 50 */ "Der RAR-Bibliothek unrar.dll fehlt eine Funktion, die dieser Vorgang braucht.",
    /* 51 */ "RAR-Archive",
    /* 52 */ "TAR-Archive",
    /* 53 */ "ISO-Abbilder",
    /* 54 */ "Bilder",
    /* 55 */ "Datum",
    /* 56 */ "Uhrzeit",
    /* 57 */ "Byte",
    /* 58 */ "KByte",
    /* 59 */ "MByte",
    /* 60 */ "Ordner mit den Archiven ausw\xE4hlen",
    /* 61 */ "Zielordner f\xFCr die Archive ausw\xE4hlen",
    /* 62 */ "Archive nach dem Entpacken l\xF6schen",
    /* 63 */ "Ein Ordner je Archiv",
    /* 64 */ "Archive aus einer Liste w\xE4hlen",
    /* 65 */ "Mehrere Archive entpacken",
    /* 66 */ "Gefundene Archive",
    /* 67 */ "Starten",
    /* 68 */ "Zur\xFC" "ck",
    /* 69 */ "Archiv",
    /* 70 */ "Ordner des Archivs",
    /* 71 */ "Zuletzt ge\xF6" "ffnet",
    /* 72 */ "Anzahl ge\xF6" "ffnet",
    /* 73 */ "Archivgr\xF6\xDF" "e",
    /* 74 */ "Zuletzt ge\xF6" "ffnete Archive",
    /* 75 */ "Eigenschaften",
    /* 76 */ "Suche nach Aktualisierungen",
    /* 77 */ "Version",
    /* 78 */ "Neue Version",
    /* 79 */ "Ihre Version",
    /* 80 */ "Die Versionsinformation kann nicht geladen werden. Bitte versuchen Sie es sp\xE4ter erneut.",
    /* 81 */ "Herunterladen",
    /* 82 */ "Nicht jetzt",
    /* 83 */ "Ihre Version",
    /* 84 */ "ist die neueste Version.",
    /* 85 */ "Archiv wird gelesen",
    /* 86 */ "/",
    /* 87 */ "MB/s",
};
static_assert(sizeof(kGeneric) / sizeof(kGeneric[0]) == kGenericCount, "generic count");

const LongText kConfiguration[] = {
    /*   0 */ "Selbstentpackendes Programm erstellen",
    /*   1 */ "Neue Archive mit Passwort sch\xFCtzen",
    /*   2 */ "Nach einem Dateinamenfilter fragen",
    /*   3 */ "Unterordner auslassen",
    /*   4 */ "Standardkompression (Stufe 6)",
    /*   5 */ "Kompressionsstufe:",
    /*   6 */ "Bildvorschau",
    /*   7 */ "Sortierspalte beibehalten",
    /*   8 */ "Eintr\xE4ge in den eingebauten Betrachtern \xF6" "ffnen",
    /*   9 */ "Neue Archive entstehen aus:",
    /*  10 */ "Einem ganzen Ordner",
    /*  11 */ "Ausgew\xE4hlten Dateien",
    /*  12 */ "ZIP-Dateien mit Kelvora \xF6" "ffnen",
    /*  13 */ "Kelvora wird das Programm, das im Explorer ZIP-Dateien \xF6" "ffnet.",
    /*  14 */ "M\xF6" "chten Sie fortfahren?",
    /*  15 */ "ZIP-Archiv",
    /*  16 */ "TAR-Archiv",
    /*  17 */ "Passwort:",
    /*  18 */ "Passwort setzen",
    /*  19 */ "Programm",
    /*  20 */ "Erweiterungen",
    /*  21 */ "Dateien hinzuf\xFCgen",
    /*  22 */ "Archive erstellen",
    /*  23 */ "Kompression",
    /*  24 */ "Listenansicht",
    /*  25 */ "Integration",
    /*  26 */ "Men\xFC" "farben",
    /*  27 */ "Bevorzugtes Format",
    /*  28 */ "Verlauf",
    /*  29 */ "Format neuer Archive",
    /*  30 */ "Neue Archive",
    /*  31 */ "Dateizuordnung",
    /*  32 */ "Archivpasswort",
    /*  33 */ "Optionen zum Hinzuf\xFCgen von Dateien",
    /*  34 */ "Ordner",
    /*  35 */ "Speichern von ge\xE4ndertem Text ins Archiv erlauben",
    /*  36 */ "Bilder in der Liste",
    /*  37 */ "Betrachter f\xFCr Java-Klassen",
    /*  38 */ "Programm",
    /*  39 */ "Durchsuchen...",
    /*  40 */ "Programm f\xFCr Klassendateien:",
    /*  41 */ "Moderner Men\xFCstil",
    /*  42 */ "Men\xFCs",
    /*  43 */ "Farben des Men\xFCverlaufs",
    /*  44 */ "Untere Farbe...",
    /*  45 */ "Obere Farbe...",
    /*  46 */ "M\xF6" "chten Sie das Archivpasswort \xE4ndern?",
    /*  47 */ "Das Archivpasswort konnte nicht ge\xE4ndert werden.",
    /*  48 */ "Das Archivpasswort wurde ge\xE4ndert.",
    /*  49 */ "Kompressionsstufe",
    /*  50 */ "Listenansicht und \xD6" "ffnen",
    /*  51 */ "Betrachter",
    /*  52 */ "Textbetrachter",
    /*  53 */ "Schrift des Betrachters merken",
    /*  54 */ "Verlauf der Entpackvorg\xE4nge f\xFChren",
    /*  55 */ "\xDC" "bertragungsverlauf",
    /*  56 */ "Verlauf verschl\xFCsseln",
    /*  57 */ "Passwort f\xFCr den Verlauf:",
    /*  58 */ "Verschl\xFCsselung des Verlaufs",
    /*  59 */ "Bitte geben Sie ein Passwort f\xFCr den Verlauf ein.",
    /*  60 */ "Der Verlauf ist jetzt verschl\xFCsselt.",
    /*  61 */ "Der Verlauf konnte nicht verschl\xFCsselt werden.",
    /*  62 */ "Der Verlauf ist nicht mehr verschl\xFCsselt.",
    /*  63 */ "Der Verlauf konnte nicht entschl\xFCsselt werden.",
    /*  64 */ "Der Verlauf ist ausgeschaltet. M\xF6" "chten Sie den gespeicherten Verlauf auch l\xF6schen?",
    /*  65 */ "Zuletzt ge\xF6" "ffnet",
    /*  66 */ "Liste der zuletzt ge\xF6" "ffneten Archive",
    /*  67 */ "Zuletzt ge\xF6" "ffnete Archive",
    /*  68 */ "Liste leeren",
    /*  69 */ "ISO-Abbilder",
    /*  70 */ "ISO-Abbilder mit Kelvora \xF6" "ffnen",
    /*  71 */ "ISO-Zuordnung",
    /*  72 */ "M\xF6" "chten Sie das Programm \xE4ndern, das ISO-Abbilder \xF6" "ffnet?",
    /*  73 */ "Erweiterte Liste zuletzt ge\xF6" "ffneter Archive f\xFChren",
    /*  74 */ "Ganz nach oben",
    /*  75 */ "Nach oben",
    /*  76 */ "Nach unten",
    /*  77 */ "Ganz nach unten",
    /*  78 */ "Eintrag entfernen",
    /*  79 */ "Zuletzt ge\xF6" "ffnet am",
    /*  80 */ "Men\xFCstil",
    /*  81 */ "Formate",
    /*  82 */ "Java-Klassen",
    /*  83 */ "Sprache",
    /*  84 */ "Sprache des Programms:",
    /*  85 */ "Dialog f\xFCr Dateien und Ordner ausblenden",
    /*  86 */ "Nicht mehr nach Aktualisierungen suchen",
    /*  87 */ "Bilder zentriert anzeigen",
    /*  88 */ "Bilder",
    /*  89 */ "Gr\xF6\xDF" "e in Pixeln",
    /*  90 */ "Bildbetrachter",
    /*  91 */ "Feste Bildgr\xF6\xDF" "e:",
    /*  92 */ "Bilder mit Bildlaufleisten anzeigen",
    /*  93 */ "Zuletzt ge\xF6" "ffnete Archive nicht merken",
    /*  94 */ "Liste der letzten Archive",
    /*  95 */ "Aktualisierungen",
    /*  96 */ "Automatische Suche nach Aktualisierungen",
    /*  97 */ "Nicht nach Aktualisierungen suchen",
    /*  98 */ "Suche von Hand",
    /*  99 */ "Jetzt suchen",
    /* 100 */ "Beim Start nach Aktualisierungen suchen",
    /* 101 */ "Archivpasswort",
    /* 102 */ "Das Passwort f\xFCr neue Archive wird auf der Seite \"Integration\" gesetzt.",
};
static_assert(sizeof(kConfiguration) / sizeof(kConfiguration[0]) == kConfigurationCount,
              "configuration count");

const ShortText kMenus[] = {
    /* 5001 */ "&Datei",
    /* 5002 */ "&Bearbeiten",
    /* 5003 */ "&Ansicht",
    /* 5004 */ "E&xtras",
    /* 5005 */ "&Hilfe",
};
static_assert(sizeof(kMenus) / sizeof(kMenus[0]) == kMenuCount, "menu count");

const ShortText kMenuItems[] = {
    /* 4001 */ "&Neues Archiv...",
    /* 4002 */ "\xD6&ffnen...",
    /* 4003 */ "&Schlie\xDF" "en",
    /* 4004 */ "Neu &laden",
    /* 4005 */ "Selbstentpackendes &Programm erstellen...",
    /* 4006 */ "&Kopie speichern unter...",
    /* 4007 */ "&Beenden",
    /* 4008 */ "&Umbenennen",
    /* 4009 */ "Pass&wort festlegen...",
    /* 4010 */ "&Ausschneiden",
    /* 4011 */ "&Kopieren",
    /* 4012 */ "&Einf\xFCgen",
    /* 4013 */ "Nach &Namen suchen...",
    /* 4014 */ "Im &Inhalt suchen...",
    /* 4015 */ "Ordner &hinzuf\xFCgen...",
    /* 4016 */ "En&tpacken...",
    /* 4017 */ "&L\xF6schen",
    /* 4018 */ "Alles au&sw\xE4hlen",
    /* 4019 */ "&Flache Ansicht",
    /* 4020 */ "&Ordneransicht",
    /* 4021 */ "&Einstellungen...",
    /* 4022 */ "&Hilfe",
    /* 4023 */ "\xDC&ber Kelvora",
    /* 4024 */ "Archiv &reparieren...",
    /* 4025 */ "&Verlauf...",
    /* 4026 */ "Liste &drucken...",
    /* 4027 */ "&Mehrere Archive entpacken...",
    /* 4028 */ "&Zuletzt ge\xF6" "ffnete Archive...",
};
static_assert(sizeof(kMenuItems) / sizeof(kMenuItems[0]) == kMenuItemCount, "menu item count");

const ShortText kPopups[] = {
    /*  0 */ "\xD6" "ffnen",
    /*  1 */ "\xD6" "ffnen mit...",
    /*  2 */ "Entpacken...",
    /*  3 */ "Kopieren",
    /*  4 */ "Ausschneiden",
    /*  5 */ "Einf\xFCgen",
    /*  6 */ "L\xF6schen",
    /*  7 */ "Umbenennen",
    /*  8 */ "Alles ausw\xE4hlen",
    /*  9 */ "Eigenschaften",
    /* 10 */ "Suchen...",
    /* 11 */ "Neuer Ordner...",
    /* 12 */ "Ordner umbenennen...",
    /* 13 */ "Ordner l\xF6schen",
    /* 14 */ "Schlie\xDF" "en",
    /* 15 */ "Originalgr\xF6\xDF" "e",
    /* 16 */ "Ordner entpacken...",
    /* 17 */ "Alle aufklappen",
    /* 18 */ "Alle zuklappen",
    /* 19 */ "Aktualisieren",
    /* 20 */ "Im Textbetrachter \xF6" "ffnen",
    /* 21 */ "Bild kopieren",
    /* 22 */ "Liste drucken...",
    /* 23 */ "Als Bitmap speichern...",
    /* 24 */ "Flache Ansicht",
    /* 25 */ "Ordneransicht",
    /* 26 */ "Dateien hinzuf\xFCgen...",
};
static_assert(sizeof(kPopups) / sizeof(kPopups[0]) == kPopupCount, "pop-up count");

const ShortText kStatusTips[] = {
    /* 0 */ "Flache Ansicht: alle Eintr\xE4ge des Archivs in einer Liste",
    /* 1 */ "Ordneransicht: die Eintr\xE4ge des gew\xE4hlten Ordners",
    /* 2 */ "Anzahl der Eintr\xE4ge",
    /* 3 */ "Gepackte und entpackte Gr\xF6\xDF" "e",
    /* 4 */ "Klicken: zwischen Dateien und Ordner hinzuf\xFCgen wechseln",
    /* 5 */ "Klicken: neue Archive als ZIP oder TAR anlegen",
};
static_assert(sizeof(kStatusTips) / sizeof(kStatusTips[0]) == kStatusTipCount, "status tip count");

// Indexed by the plug-in text number that the RAR error report picks for an UnRAR code.
const LongText kPlugins[] = {
    /* 0 */ "Unbekanntes Archivformat.",
    /* 1 */ "Fehlerhaftes Teilarchiv.",
    /* 2 */ "Eine Datei kann nicht angelegt werden.",
    /* 3 */ "Ein Teilarchiv kann nicht ge\xF6" "ffnet werden.",
    /* 4 */ "Eine Datei kann nicht geschlossen werden.",
    /* 5 */ "Lesefehler.",
    /* 6 */ "Schreibfehler.",
    /* 7 */ "CRC-Fehler: die Daten sind besch\xE4" "digt.",
    /* 8 */ "Unbekannter Fehler.",
    /* 9 */ "F\xFCr eine verschl\xFCsselte Datei wurde kein Passwort angegeben.",
};
static_assert(sizeof(kPlugins) / sizeof(kPlugins[0]) == kPluginCount, "plug-in count");

const ShortText kToolBar2Labels[] = {
    /* 0 */ "Flach\0",
    /* 1 */ "Ordner\0",
    /* 2 */ "Einstellungen\0",
    /* 3 */ "Hilfe\0",
};
static_assert(sizeof(kToolBar2Labels) / sizeof(kToolBar2Labels[0]) == kToolBar2Count, "toolbar 2");

const ShortText kToolBar2Tips[] = {
    /* 0 */ "Alle Eintr\xE4ge in einer Liste zeigen",
    /* 1 */ "Die Ordner des Archivs als Baum zeigen",
    /* 2 */ "Einstellungen \xE4ndern",
    /* 3 */ "Hilfe anzeigen",
};
static_assert(sizeof(kToolBar2Tips) / sizeof(kToolBar2Tips[0]) == kToolBar2Count, "toolbar 2 tips");

// The same labels for relabelling the second toolbar, in rows of their own.
const ShortText kToolBar2LabelsWI[] = {
    "Flach\0",
    "Ordner\0",
    "Einstellungen\0",
    "Hilfe\0",
};
static_assert(sizeof(kToolBar2LabelsWI) / sizeof(kToolBar2LabelsWI[0]) == kToolBar2Count, "WI");

const ShortText kToolBar2TipsWI[] = {
    "Alle Eintr\xE4ge in einer Liste zeigen",
    "Die Ordner des Archivs als Baum zeigen",
    "Einstellungen \xE4ndern",
    "Hilfe anzeigen",
};
static_assert(sizeof(kToolBar2TipsWI) / sizeof(kToolBar2TipsWI[0]) == kToolBar2Count, "WI tips");

const ShortText kLanguageNames[] = {
    /* 0 */ "Deutsch",
    /* 1 */ "Englisch (English)",
};
static_assert(sizeof(kLanguageNames) / sizeof(kLanguageNames[0]) == kLanguageNameCount, "names");

// Callers find columns by comparing header texts, so the eight must differ.
const ShortText kColumns[] = {
    /* filename */ "Name",
    /* path */ "Pfad",
    /* compressed */ "Gepackt",
    /* uncompressed */ "Gr\xF6\xDF" "e",
    /* ratio */ "Rate",
    /* date */ "Ge\xE4ndert",
    /* type */ "Typ",
    /* encrypted */ "Verschl\xFCsselt",
};
static_assert(sizeof(kColumns) / sizeof(kColumns[0]) == kColumnCount, "column count");

// Buttons 16001-16006 of the main toolbar.
const ShortText kToolBarLabelRows[] = {
    "Neu\0", "Hinzuf\xFCgen\0", "Entpacken\0", "L\xF6schen\0", "\xD6" "ffnen\0", "Suchen\0",
};
static_assert(sizeof(kToolBarLabelRows) / sizeof(kToolBarLabelRows[0]) == kToolBarCount, "toolbar");

const ShortText kToolBarTipRows[] = {
    "Ein neues Archiv erstellen",
    "Einen Ordner zum Archiv hinzuf\xFCgen",
    "Die ausgew\xE4hlten Eintr\xE4ge entpacken",
    "Die ausgew\xE4hlten Eintr\xE4ge l\xF6schen",
    "Ein Archiv \xF6" "ffnen",
    "Eintr\xE4ge nach Namen suchen",
};
static_assert(sizeof(kToolBarTipRows) / sizeof(kToolBarTipRows[0]) == kToolBarCount, "toolbar tips");

// The overwrite question's answers 0-3, then "skip all" (the button box cuts captions to 15
// characters), then the labels of the two files' size and date in its text.
const ShortText kConfirmationRows[] = {
    "Ersetzen", "Alle ersetzen", "\xDC" "berspringen", "Abbrechen", "Keine ersetzen",
    "Vorhanden:", "Im Archiv:",
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
    "Kelvora - Archivbetrachter und -verwaltung\r\n"
    "\r\n"
    "Aufruf: kelvora [Option] [Datei ...]\r\n"
    "\r\n"
    "Ohne Argument startet Kelvora mit einem leeren Fenster.\r\n"
    "\r\n"
    "kelvora ARCHIV\r\n"
    "    \xD6" "ffnet das Archiv: .zip, .jar, .war; .tar, .tgz, .gz, .tar.gz, .tar.z, .tar.bz2;\r\n"
    "    .iso, .nrg; .rar. Eine andere einzelne Datei wird als Bild oder Mediendatei\r\n"
    "    gezeigt, wenn sie auf .jpg, .jpeg, .png, .bmp, .gif, .ico, .avi, .odt oder .ods\r\n"
    "    endet; sonst startet das Fenster leer.\r\n"
    "kelvora DATEI1 DATEI2 ...\r\n"
    "    Zwei oder mehr Dateien: erstellt ein neues Archiv aus allen, wie -c.\r\n"
    "\r\n"
    "Optionen (gro\xDF oder klein geschrieben):\r\n"
    "-x ARCHIV\r\n"
    "    Entpackt das ganze Archiv. Kelvora fragt nach dem Zielordner, zeigt den\r\n"
    "    Fortschritt und endet; es wird kein Hauptfenster ge\xF6" "ffnet.\r\n"
    "-c DATEI ...\r\n"
    "    Erstellt ein neues Archiv aus den Dateien; Kelvora fragt nach seinem Namen und\r\n"
    "    zeigt den Fortschritt.\r\n"
    "-cs DATEI ...\r\n"
    "    Wie -c, aber als Hintergrundauftrag ohne Fortschrittsanzeige.\r\n"
    "-s DATEI ...\r\n"
    "    Dasselbe wie -cs.\r\n"
    "-csim DATEI ...\r\n"
    "    Wie -c, aber nur simuliert: nichts wird geschrieben, jeder Schritt wird protokolliert.\r\n"
    "-a DATEI ...\r\n"
    "    F\xFCgt die Dateien zu einem Archiv hinzu, das Sie ausw\xE4hlen, mit Fortschrittsanzeige.\r\n"
    "-as DATEI ...\r\n"
    "    Wie -a, aber als Hintergrundauftrag ohne Fortschrittsanzeige.\r\n"
    "-asim DATEI ...\r\n"
    "    Wie -a, aber nur simuliert: nichts wird geschrieben, jeder Schritt wird protokolliert.\r\n"
    "-h, -help, --help, /help\r\n"
    "    Zeigt diese Hilfe.\r\n"
    "\r\n"
    "Namen mit Leerzeichen schlie\xDF" "en Sie in doppelte Anf\xFChrungszeichen ein,\r\n"
    "z. B. \"meine Dateien.zip\".\r\n"
    "Jede andere Option, die mit -- oder -/ beginnt, beendet Kelvora, ohne etwas zu tun.\r\n";

}  // namespace

extern const LanguageTexts kGermanTexts = {
    LANG_CODE_GERMAN,
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
