#pragma once
// Sets (or, with a null value, removes) an environment variable for the life
// of the object; the old value comes back after it.
#include <QByteArray>
#include <QString>

namespace testsupport {

class EnvVar {
public:
    EnvVar(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    EnvVar(const char* name, const QString& value) : EnvVar(name, value.toLocal8Bit()) {}
    EnvVar(const char* name, const char* value) : EnvVar(name, QByteArray(value)) {}
    ~EnvVar() {
        if (old_.isNull())
            qunsetenv(name_);
        else
            qputenv(name_, old_);
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* name_;
    QByteArray old_;
};

} // namespace testsupport
