#pragma once

#include "config/AppConfig.h"

#include <QList>
#include <QString>

#include <optional>

class XmlDoc;
class XmlNode;

// The settings file sysConf.ini in the program's directory: the bank's display
// name, the window icon and one input rule per checked entry field, grouped by
// the screen the field belongs to. SysConf is the only code that reads or
// writes it.
//
// Creating a SysConf sets appDir and loads the file into the AppConfig it is
// given (bankName, sysIconPath, fieldRules). When the file cannot be loaded the
// default rules apply; a missing file is written as the default document, a
// file that is not well-formed is first copied to sysConf.ini.bak (an older
// backup is kept: the copy takes the next free name sysConf.ini.bak.1, ...) and
// then replaced. loadNotice() says what happened, for the user.
//
// The values one save of the settings dialog writes.
struct SysConfFieldEdit {
    qint16 id = 0;
    QString fieldName;
    bool canEdit = false;
    bool isAccount = false;
    bool notNull = false;
    bool isNumric = false;
    QString length;
    QString minValue;
    QString maxValue;
};

struct SysConfEdit {
    QString bankName;
    std::optional<QString> sysIcon; // none: sys_icon keeps its value
    QList<SysConfFieldEdit> fields;
};

// Every operation reads the file from disk again; every write replaces the
// whole file atomically (temporary file beside it, renamed when complete), so
// an interrupted save leaves the previous file intact. No operation shows a
// message: the write operations report success, and the settings dialog says
// what went wrong.
class SysConf {
public:
    // `programDirectory` is the directory of the running program.
    SysConf(AppConfig& config, const QString& programDirectory);

    // Writes the default document, replacing any existing file.
    bool setValues();
    // Sets one attribute of the field element carrying this id (the first one
    // when several do) and saves the file. An existing attribute keeps its
    // place, a new one is appended. When no element carries the id the file
    // stays exactly as it is (and the result is true). False when the file
    // could not be read or written.
    bool setAttrib2Elemt(qint16 id, const QString& name, const QString& value);
    // The attribute's value; empty when the element or the attribute is absent.
    QString getAttribOfElemt(qint16 id, const QString& name);
    // Sets bank_name / sys_icon on the first SysConf element and saves the file.
    // False when the file has no such element or could not be written.
    bool setBankName(const QString& name);
    bool setSysIcon(const QString& path);
    // Sets dup_check_days on the first SysConf element (the days the check
    // before writing an upload file looks back for the same payments) and
    // saves the file; on success the value in memory follows. False when the
    // file has no such element or could not be written.
    bool setDuplicateCheckDays(int days);
    // sys_icon of the first SysConf element as the file holds it; empty when absent.
    QString getSysIcon();
    // Writes a whole settings save as one document, written once: bank_name,
    // sys_icon when given, and on the element of each field id (the first one
    // carrying it; ids no element carries are skipped) field_name, can_edit,
    // is_account, not_null, is_numric ("1" / "0"), length, min_value and
    // max_value. Attributes already present keep their places, new ones are
    // appended in that order. False, with the file as it was, when the file
    // cannot be read, has no SysConf element, or cannot be written.
    bool saveSettings(const SysConfEdit& edit);
    // Reads the file into bankName, sysIconPath and fieldRules. False when the
    // file is missing, unreadable or not well-formed; nothing changes then.
    bool LoadValues();

    // appDir + "sysConf.ini".
    QString fileName() const;

    // What the user must be told once about loading the file (it could not be
    // read, or it was replaced and where the old one is kept); empty otherwise.
    const QString& loadNotice() const { return m_loadNotice; }

private:
    // The field element whose id attribute equals idText exactly, or none.
    static XmlNode findElementById(const XmlDoc& doc, const QString& idText);
    static XmlDoc defaultDocument();
    void loadFrom(const XmlDoc& doc);
    // The settings file as it is now; an empty document when it cannot be read.
    XmlDoc loadDocument() const;
    bool save(const XmlDoc& doc);

    AppConfig& m_config;
    QString m_loadNotice;
};
