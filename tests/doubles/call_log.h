#pragma once

#include <QString>
#include <string>
#include <vector>

// One ordered record of every read, write and command the handlers make on the
// controls, shared by all recording doubles of a test. Reads are "Name.Member -> v",
// writes "Name.Member = v", so a whole handler run compares as one list.
struct CallLog {
    std::vector<std::string> entries;

    void read(const char *name, const char *member, const QString &value) {
        entries.push_back(std::string(name) + "." + member + " -> " + value.toStdString());
    }
    void write(const char *name, const char *member, const QString &value) {
        entries.push_back(std::string(name) + "." + member + " = " + value.toStdString());
    }
    void call(const char *name, const char *what) {
        entries.push_back(std::string(name) + "." + what);
    }
};

// Logs, or parts of one, joined in order.
using Log = std::vector<std::string>;
inline Log operator+(Log a, const Log &b) { a.insert(a.end(), b.begin(), b.end()); return a; }
inline Log operator+(Log a, const std::string &entry) { a.push_back(entry); return a; }

inline QString boolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }
