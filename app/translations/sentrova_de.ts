<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="de_DE">
<context>
    <name>TfrmMain</name>
    <message numerus="yes">
        <source>%n placemark(s)</source>
        <translation><numerusform>%n Ortsmarke</numerusform><numerusform>%n Ortsmarken</numerusform></translation>
    </message>
    <message>
        <source>Workspace</source>
        <translation>Arbeitsbereich</translation>
    </message>
    <message>
        <source>NMEA File:</source>
        <translation>NMEA-Datei:</translation>
    </message>
    <message>
        <source>&amp;Load...</source>
        <translation>&amp;Laden...</translation>
    </message>
    <message>
        <source>Source : </source>
        <translation>Quelle : </translation>
    </message>
    <message>
        <source>Target : </source>
        <translation>Ziel : </translation>
    </message>
    <message>
        <source>Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Color : </source>
        <translation>Farbe : </translation>
    </message>
    <message>
        <source>Red</source>
        <translation>Rot</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blau</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Gelb</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Grün</translation>
    </message>
    <message>
        <source>Orange</source>
        <translation>Orange</translation>
    </message>
    <message>
        <source>Check checksum</source>
        <translation>Prüfsumme prüfen</translation>
    </message>
    <message>
        <source>&amp;View KML</source>
        <translation>KML &amp;zeigen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Go</source>
        <translation>&amp;Los</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>NMEA file</source>
        <translation>NMEA-Datei</translation>
    </message>
    <message>
        <source>The log to convert</source>
        <translation>Das Protokoll, das umgewandelt wird</translation>
    </message>
    <message>
        <source>Load a log</source>
        <translation>Protokoll laden</translation>
    </message>
    <message>
        <source>Chooses the log to convert; the Down arrow lists the recent logs</source>
        <translation>Wählt das Protokoll zum Umwandeln; die Pfeiltaste nach unten zeigt die zuletzt geladenen</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Quelle</translation>
    </message>
    <message>
        <source>The log that is converted</source>
        <translation>Das Protokoll, das umgewandelt wird</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>Ziel</translation>
    </message>
    <message>
        <source>The KML document that is written</source>
        <translation>Das KML-Dokument, das geschrieben wird</translation>
    </message>
    <message>
        <source>Chosen color</source>
        <translation>Gewählte Farbe</translation>
    </message>
    <message>
        <source>The color of the placemark icons</source>
        <translation>Die Farbe der Ortsmarken-Symbole</translation>
    </message>
    <message>
        <source>Icon color</source>
        <translation>Symbolfarbe</translation>
    </message>
    <message>
        <source>Check checksums</source>
        <translation>Prüfsummen prüfen</translation>
    </message>
    <message>
        <source>Stops at a sentence whose checksum is wrong</source>
        <translation>Hält bei einem Satz mit falscher Prüfsumme an</translation>
    </message>
    <message>
        <source>View the KML</source>
        <translation>KML zeigen</translation>
    </message>
    <message>
        <source>Opens the folder of the log</source>
        <translation>Öffnet den Ordner des Protokolls</translation>
    </message>
    <message>
        <source>Cancel the conversion</source>
        <translation>Umwandlung abbrechen</translation>
    </message>
    <message>
        <source>Stops the conversion; Esc does too</source>
        <translation>Bricht die Umwandlung ab; Esc ebenso</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Umwandeln</translation>
    </message>
    <message>
        <source>Converts the log into the KML document</source>
        <translation>Wandelt das Protokoll in das KML-Dokument um</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Ends the program</source>
        <translation>Beendet das Programm</translation>
    </message>
    <message>
        <source>Conversion progress</source>
        <translation>Fortschritt der Umwandlung</translation>
    </message>
    <message>
        <source>The share of the log read</source>
        <translation>Der gelesene Anteil des Protokolls</translation>
    </message>
    <message>
        <source>Status line</source>
        <translation>Statuszeile</translation>
    </message>
    <message>
        <source>Recent logs</source>
        <translation>Zuletzt geladene Protokolle</translation>
    </message>
    <message>
        <source>The logs loaded last</source>
        <translation>Die zuletzt geladenen Protokolle</translation>
    </message>
    <message>
        <source>NMEA logs (*.nmea *.nma *.log *.txt)</source>
        <translation>NMEA-Protokolle (*.nmea *.nma *.log *.txt)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>No recent logs</source>
        <translation>Keine zuletzt geladenen Protokolle</translation>
    </message>
    <message>
        <source>No NMEA logs (*.nmea *.nma *.log *.txt) in %1</source>
        <translation>Keine NMEA-Protokolle (*.nmea *.nma *.log *.txt) in %1</translation>
    </message>
    <message numerus="yes">
        <source>%n log(s) in </source>
        <translation><numerusform>%n Protokoll in </numerusform><numerusform>%n Protokolle in </numerusform></translation>
    </message>
    <message>
        <source>a KML beside each log</source>
        <translation>je ein KML neben jedem Protokoll</translation>
    </message>
    <message>
        <source>Replace the KML?</source>
        <translation>KML ersetzen?</translation>
    </message>
    <message>
        <source>%1 already exists in %2.
Do you want to replace it?</source>
        <translation>%1 gibt es schon in %2.
Soll es ersetzt werden?</translation>
    </message>
    <message>
        <source>skipped: the same KML as an earlier log</source>
        <translation>übersprungen: dasselbe KML wie bei einem früheren Protokoll</translation>
    </message>
    <message>
        <source>skipped: the KML was there and was left as it was</source>
        <translation>übersprungen: das vorhandene KML blieb unverändert</translation>
    </message>
    <message>
        <source>not converted: the run was cancelled</source>
        <translation>nicht umgewandelt: die Umwandlung wurde abgebrochen</translation>
    </message>
    <message numerus="yes">
        <source>%n bad sentence(s) skipped</source>
        <translation><numerusform>%n fehlerhafter Satz übersprungen</numerusform><numerusform>%n fehlerhafte Sätze übersprungen</numerusform></translation>
    </message>
    <message>
        <source>NMEA format error! line %1: checksum mismatch; no KML written</source>
        <translation>NMEA-Formatfehler! Zeile %1: Prüfsumme falsch; kein KML geschrieben</translation>
    </message>
    <message>
        <source>cancelled: the KML was left as it was</source>
        <translation>abgebrochen: das KML blieb unverändert</translation>
    </message>
    <message>
        <source>cancelled: no KML written</source>
        <translation>abgebrochen: kein KML geschrieben</translation>
    </message>
    <message>
        <source>file read open error: %1</source>
        <translation>Datei nicht zum Lesen zu öffnen: %1</translation>
    </message>
    <message>
        <source>file write open error: %1</source>
        <translation>Datei nicht zum Schreiben zu öffnen: %1</translation>
    </message>
    <message>
        <source>file read error: %1; no KML written</source>
        <translation>Lesefehler: %1; kein KML geschrieben</translation>
    </message>
    <message>
        <source>file write error: %1; nothing kept</source>
        <translation>Schreibfehler: %1; nichts behalten</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n log(s) converted</source>
        <translation><numerusform>%1 von %n Protokoll umgewandelt</numerusform><numerusform>%1 von %n Protokollen umgewandelt</numerusform></translation>
    </message>
    <message>
        <source>Cancelled: </source>
        <translation>Abgebrochen: </translation>
    </message>
    <message>
        <source>Done !! </source>
        <translation>Fertig !! </translation>
    </message>
    <message>
        <source>Converting %1 of %2 ...</source>
        <translation>Umwandeln %1 von %2 ...</translation>
    </message>
    <message>
        <source>Converting ...</source>
        <translation>Umwandeln ...</translation>
    </message>
    <message>
        <source>Failed: the KML was left as it was</source>
        <translation>Fehlgeschlagen: das KML blieb unverändert</translation>
    </message>
    <message>
        <source>Failed: no KML written</source>
        <translation>Fehlgeschlagen: kein KML geschrieben</translation>
    </message>
    <message>
        <source>NMEA format error! %1, line %2: checksum mismatch; no KML written.

Convert the log leaving out the sentences whose checksum is wrong?</source>
        <translation>NMEA-Formatfehler! %1, Zeile %2: Prüfsumme falsch; kein KML geschrieben.

Das Protokoll ohne die Sätze mit falscher Prüfsumme umwandeln?</translation>
    </message>
    <message>
        <source>Skip bad sentences</source>
        <translation>Fehlerhafte überspringen</translation>
    </message>
    <message>
        <source>Cancelled: the KML was left as it was</source>
        <translation>Abgebrochen: das KML blieb unverändert</translation>
    </message>
    <message>
        <source>Cancelled: no KML written</source>
        <translation>Abgebrochen: kein KML geschrieben</translation>
    </message>
    <message>
        <source>file read open error: %1: %2</source>
        <translation>Datei nicht zum Lesen zu öffnen: %1: %2</translation>
    </message>
    <message>
        <source>file write open error: %1: %2</source>
        <translation>Datei nicht zum Schreiben zu öffnen: %1: %2</translation>
    </message>
    <message>
        <source>
A folder of that name is in the way; move or rename it and press Go again.</source>
        <translation>
Ein Ordner dieses Namens steht im Weg; verschieben oder umbenennen Sie ihn und drücken Sie erneut Los.</translation>
    </message>
    <message>
        <source>file write open error: %1: %2
It appeared during the conversion and was left as it is; press Go again to replace it.</source>
        <translation>Datei nicht zum Schreiben zu öffnen: %1: %2
Sie ist während der Umwandlung entstanden und blieb unverändert; drücken Sie erneut Los, um sie zu ersetzen.</translation>
    </message>
    <message>
        <source>file read error: %1: %2; no KML written</source>
        <translation>Lesefehler: %1: %2; kein KML geschrieben</translation>
    </message>
    <message>
        <source>file write error: %1: %2; nothing kept</source>
        <translation>Schreibfehler: %1: %2; nichts behalten</translation>
    </message>
    <message numerus="yes">
        <source>%n bad sentence(s) skipped (first on line %1)</source>
        <translation><numerusform>%n fehlerhafter Satz übersprungen (Zeile %1)</numerusform><numerusform>%n fehlerhafte Sätze übersprungen (erster in Zeile %1)</numerusform></translation>
    </message>
    <message>
        <source>No placemark was written to %1: </source>
        <translation>Keine Ortsmarke wurde in %1 geschrieben: </translation>
    </message>
    <message>
        <source>.

Convert the fixes of the other talkers too?</source>
        <translation>.

Die Positionen der anderen Sender auch umwandeln?</translation>
    </message>
    <message>
        <source>Convert them too</source>
        <translation>Auch umwandeln</translation>
    </message>
    <message>
        <source>Cancelling ...</source>
        <translation>Abbrechen ...</translation>
    </message>
    <message>
        <source>The KML is left as it was.</source>
        <translation>Das KML bleibt unverändert.</translation>
    </message>
    <message>
        <source>The KML is not written.</source>
        <translation>Das KML wird nicht geschrieben.</translation>
    </message>
    <message>
        <source>%1 is being converted.
Stop and quit? %2</source>
        <translation>%1 wird umgewandelt.
Abbrechen und beenden? %2</translation>
    </message>
    <message>
        <source>%1 is being converted (log %2 of %3).
Stop and quit? %4 The logs converted before keep their KML.</source>
        <translation>%1 wird umgewandelt (Protokoll %2 von %3).
Abbrechen und beenden? %4 Die schon umgewandelten Protokolle behalten ihr KML.</translation>
    </message>
    <message>
        <source>Stop the conversion?</source>
        <translation>Umwandlung abbrechen?</translation>
    </message>
    <message>
        <source>The conversion has ended meanwhile: %1 is written with %2.</source>
        <translation>Die Umwandlung ist inzwischen fertig: %1 ist mit %2 geschrieben.</translation>
    </message>
    <message>
        <source>The conversion has ended meanwhile, without a KML.</source>
        <translation>Die Umwandlung ist inzwischen beendet, ohne KML.</translation>
    </message>
    <message>
        <source>The conversion has ended meanwhile: %1</source>
        <translation>Die Umwandlung ist inzwischen beendet: %1</translation>
    </message>
    <message>
        <source>Quit?</source>
        <translation>Beenden?</translation>
    </message>
    <message>
        <source>Quit now?</source>
        <translation>Jetzt beenden?</translation>
    </message>
    <message>
        <source>No file browser could be started.
The KML is at: %1</source>
        <translation>Kein Dateimanager ließ sich starten.
Das KML liegt hier: %1</translation>
    </message>
    <message>
        <source>Names the field of the log</source>
        <translation>Benennt das Feld des Protokolls</translation>
    </message>
    <message>
        <source>; try --any-talker</source>
        <translation>; versuchen Sie --any-talker</translation>
    </message>
    <message>
        <source>; sentences from other talkers: %1</source>
        <translation>; Sätze anderer Sender: %1</translation>
    </message>
    <message>
        <source>the log looks compressed: %1 -c LOG | sentrova-convert -o OUT -</source>
        <translation>die Aufzeichnung scheint komprimiert: %1 -c LOG | sentrova-convert -o OUT -</translation>
    </message>
    <message>
        <source>no sentence recognised</source>
        <translation>kein Satz erkannt</translation>
    </message>
    <message>
        <source>no timed sentence (GGA, RMC, GLL, GNS, ZDA, GST)</source>
        <translation>kein Satz mit Uhrzeit (GGA, RMC, GLL, GNS, ZDA, GST)</translation>
    </message>
    <message>
        <source>fixes only from other talkers: %1</source>
        <translation>Positionen nur von anderen Sendern: %1</translation>
    </message>
    <message>
        <source>no RMC, GGA, GLL or RPT sentence</source>
        <translation>kein RMC-, GGA-, GLL- oder RPT-Satz</translation>
    </message>
    <message>
        <source>no valid position</source>
        <translation>keine gültige Position</translation>
    </message>
    <message>
        <source>no date</source>
        <translation>kein Datum</translation>
    </message>
    <message>
        <source>no date; give one with --date</source>
        <translation>kein Datum; geben Sie eines mit --date an</translation>
    </message>
    <message>
        <source>no cycle with a position</source>
        <translation>kein Zyklus mit Position</translation>
    </message>
    <message>
        <source>no fix with a usable date; give one with --date</source>
        <translation>keine Position mit brauchbarem Datum; geben Sie eines mit --date an</translation>
    </message>
    <message>
        <source>every fix left out by the options</source>
        <translation>jede Position durch die Optionen ausgelassen</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Open &amp;KML</source>
        <translation>&amp;KML öffnen</translation>
    </message>
    <message>
        <source>Show in &amp;folder</source>
        <translation>Im &amp;Ordner zeigen</translation>
    </message>
    <message>
        <source>Open &amp;report</source>
        <translation>Be&amp;richt öffnen</translation>
    </message>
    <message>
        <source>Ground track</source>
        <translation>Spur über Grund</translation>
    </message>
    <message>
        <source>The track of the log seen from above, north up</source>
        <translation>Die Spur des Protokolls von oben, Norden oben</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Zusammenfassung</translation>
    </message>
    <message>
        <source>What the log holds and what was left out</source>
        <translation>Was das Protokoll enthält und was ausgelassen wurde</translation>
    </message>
    <message>
        <source>Open the KML</source>
        <translation>Die KML öffnen</translation>
    </message>
    <message>
        <source>Opens the KML in the desktop&apos;s KML viewer</source>
        <translation>Öffnet die KML im KML-Betrachter des Desktops</translation>
    </message>
    <message>
        <source>Show the KML in its folder</source>
        <translation>Die KML in ihrem Ordner zeigen</translation>
    </message>
    <message>
        <source>Opens the file browser with the KML selected</source>
        <translation>Öffnet den Dateimanager mit der KML ausgewählt</translation>
    </message>
    <message>
        <source>Open the report</source>
        <translation>Den Bericht öffnen</translation>
    </message>
    <message>
        <source>Writes the report beside the log and opens it in the web browser</source>
        <translation>Schreibt den Bericht neben das Protokoll und öffnet ihn im Webbrowser</translation>
    </message>
    <message>
        <source>; the result was cancelled</source>
        <translation>; das Ergebnis wurde abgebrochen</translation>
    </message>
    <message>
        <source>Result: %1</source>
        <translation>Ergebnis: %1</translation>
    </message>
    <message>
        <source>No position in the log</source>
        <translation>Keine Position im Protokoll</translation>
    </message>
    <message>
        <source>No program for KML files could be started.
The KML is at: %1</source>
        <translation>Kein Programm für KML-Dateien konnte gestartet werden.
Die KML liegt unter: %1</translation>
    </message>
    <message>
        <source>Replace the report?</source>
        <translation>Den Bericht ersetzen?</translation>
    </message>
    <message>
        <source>No web browser could be started.
The report is at: %1</source>
        <translation>Kein Webbrowser konnte gestartet werden.
Der Bericht liegt unter: %1</translation>
    </message>
    <message>
        <source>file write open error: %1: %2
It appeared meanwhile and was left as it is; press Open report again to replace it.</source>
        <translation>Fehler beim Öffnen zum Schreiben: %1: %2
Sie ist inzwischen entstanden und blieb, wie sie ist; Bericht öffnen noch einmal drücken, um sie zu ersetzen.</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 m</source>
        <translation>%1 m</translation>
    </message>
    <message>
        <source>%1 km</source>
        <translation>%1 km</translation>
    </message>
    <message>
        <source>%1 to %2 UTC</source>
        <translation>%1 bis %2 UTC</translation>
    </message>
    <message>
        <source>%1 long, %2 along the track</source>
        <translation>%1 lang, %2 entlang der Spur</translation>
    </message>
    <message>
        <source>Nothing left out</source>
        <translation>Nichts ausgelassen</translation>
    </message>
    <message>
        <source>Left out:</source>
        <translation>Ausgelassen:</translation>
    </message>
    <message numerus="yes">
        <source>%Ln epoch(s) without a date</source>
        <translation><numerusform>%Ln Epoche ohne Datum</numerusform><numerusform>%Ln Epochen ohne Datum</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%Ln epoch(s) without a fix</source>
        <translation><numerusform>%Ln Epoche ohne Fix</numerusform><numerusform>%Ln Epochen ohne Fix</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%Ln line(s) that hold no NMEA sentence</source>
        <translation><numerusform>%Ln Zeile ohne NMEA-Satz</numerusform><numerusform>%Ln Zeilen ohne NMEA-Satz</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%Ln sentence(s) whose checksum failed</source>
        <translation><numerusform>%Ln Satz mit falscher Prüfsumme</numerusform><numerusform>%Ln Sätze mit falscher Prüfsumme</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%Ln point(s)</source>
        <translation><numerusform>%Ln Punkt</numerusform><numerusform>%Ln Punkte</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n segment(s)</source>
        <translation><numerusform>%n Abschnitt</numerusform><numerusform>%n Abschnitte</numerusform></translation>
    </message>
</context>
<context>
    <name>WindowDialogs</name>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Replace the KML?</source>
        <translation>KML ersetzen?</translation>
    </message>
    <message>
        <source>&amp;Replace</source>
        <translation>&amp;Ersetzen</translation>
    </message>
    <message>
        <source>Replace &amp;all</source>
        <translation>&amp;Alle ersetzen</translation>
    </message>
    <message>
        <source>&amp;Skip</source>
        <translation>&amp;Überspringen</translation>
    </message>
    <message>
        <source>S&amp;kip all</source>
        <translation>Alle ü&amp;berspringen</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>Dokument</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Each log, its KML and what became of it</source>
        <translation>Jedes Protokoll, sein KML und was daraus wurde</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Converts NMEA-0183 GPS logs into KML documents beside them.</source>
        <translation>Wandelt NMEA-0183-GPS-Protokolle in KML-Dokumente daneben um.</translation>
    </message>
    <message>
        <source>The logs or folders of logs to open, ready for Go (optional); several are converted one after the other.</source>
        <translation>Die Protokolle oder Ordner mit Protokollen, bereit für Los (wahlweise); mehrere werden nacheinander umgewandelt.</translation>
    </message>
    <message>
        <source>file read open error: %1: %2</source>
        <translation>Datei nicht zum Lesen zu öffnen: %1: %2</translation>
    </message>
</context>
</TS>