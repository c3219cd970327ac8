<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="en_US">
<context>
    <name>TfrmMain</name>
    <message numerus="yes">
        <source>%n placemark(s)</source>
        <translation><numerusform>%n placemark</numerusform><numerusform>%n placemarks</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n log(s) in </source>
        <translation><numerusform>%n log in </numerusform><numerusform>%n logs in </numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n bad sentence(s) skipped</source>
        <translation><numerusform>%n bad sentence skipped</numerusform><numerusform>%n bad sentences skipped</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n log(s) converted</source>
        <translation><numerusform>%1 of %n log converted</numerusform><numerusform>%1 of %n logs converted</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%n bad sentence(s) skipped (first on line %1)</source>
        <translation><numerusform>%n bad sentence skipped (first on line %1)</numerusform><numerusform>%n bad sentences skipped (first on line %1)</numerusform></translation>
    </message>
    <message numerus="yes">
        <source>%Ln epoch(s) without a date</source>
        <translation>
            <numerusform>%Ln epoch without a date</numerusform>
            <numerusform>%Ln epochs without a date</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln epoch(s) without a fix</source>
        <translation>
            <numerusform>%Ln epoch without a fix</numerusform>
            <numerusform>%Ln epochs without a fix</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln line(s) that hold no NMEA sentence</source>
        <translation>
            <numerusform>%Ln line that holds no NMEA sentence</numerusform>
            <numerusform>%Ln lines that hold no NMEA sentence</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln sentence(s) whose checksum failed</source>
        <translation>
            <numerusform>%Ln sentence whose checksum failed</numerusform>
            <numerusform>%Ln sentences whose checksum failed</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln point(s)</source>
        <translation>
            <numerusform>%Ln point</numerusform>
            <numerusform>%Ln points</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n segment(s)</source>
        <translation>
            <numerusform>%n segment</numerusform>
            <numerusform>%n segments</numerusform>
        </translation>
    </message>
</context>
</TS>