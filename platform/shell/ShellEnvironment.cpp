#include "ShellEnvironment.h"

#include <QFile>
#include <QStandardPaths>

#include <cstdlib>
#include <mutex>
#include <pwd.h>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace sondrel::platform {

namespace {

    std::string Variable(const char* name)
    {
        const char* value = std::getenv(name);
        return value ? std::string(value) : std::string();
    }

    BytePath HomeFolder()
    {
        BytePath home = Variable("HOME");
        if (home.empty()) {
            if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir)
                home = user->pw_dir;
        }
        return home.empty() ? BytePath("/") : NormalizePath(home);
    }

    BytePath UserDir(QStandardPaths::StandardLocation location)
    {
        const QString path = QStandardPaths::writableLocation(location);
        return path.isEmpty() ? BytePath() : NormalizePath(QFile::encodeName(path).toStdString());
    }

    ShellEnvironment Read()
    {
        ShellEnvironment env;
        env.Home = HomeFolder();
        const BytePath config = Variable("XDG_CONFIG_HOME");
        env.ConfigHome = config.starts_with('/') ? NormalizePath(config) : env.Home + "/.config";
        const BytePath data = Variable("XDG_DATA_HOME");
        env.DataHome = data.starts_with('/') ? NormalizePath(data) : env.Home + "/.local/share";
        env.TrashFiles = env.DataHome + "/Trash/files";
        const BytePath desktop = UserDir(QStandardPaths::DesktopLocation);
        env.SeparateDesktop = !desktop.empty() && desktop != env.Home && IsFolder(desktop);
        env.Desktop = env.SeparateDesktop ? desktop : env.Home;
        env.Documents = UserDir(QStandardPaths::DocumentsLocation);
        env.Pictures = UserDir(QStandardPaths::PicturesLocation);
        env.Templates = UserDir(QStandardPaths::TemplatesLocation);
        return env;
    }

    struct Cache
    {
        std::mutex Mutex;
        std::string Key;
        bool Valid = false;
        ShellEnvironment Value;
    };

    Cache& TheCache()
    {
        static Cache cache;
        return cache;
    }

} // namespace

const ShellEnvironment& CurrentEnvironment()
{
    Cache& cache = TheCache();
    const std::string key
        = Variable("HOME") + '\0' + Variable("XDG_CONFIG_HOME") + '\0' + Variable("XDG_DATA_HOME");
    std::lock_guard lock(cache.Mutex);
    if (!cache.Valid || cache.Key != key) {
        cache.Value = Read();
        cache.Key = key;
        cache.Valid = true;
    }
    return cache.Value;
}

void RefreshEnvironment()
{
    Cache& cache = TheCache();
    std::lock_guard lock(cache.Mutex);
    cache.Valid = false;
}

bool IsFolder(const BytePath& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

BytePath NormalizePath(std::string_view path)
{
    if (path.empty() || path.front() != '/')
        return {};
    std::vector<std::string_view> parts;
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string_view part = path.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    BytePath normal;
    for (const std::string_view part : parts) {
        normal += '/';
        normal += part;
    }
    return normal.empty() ? BytePath("/") : normal;
}

BytePath SendToFolder() { return CurrentEnvironment().DataHome + "/sondrel/SendTo"; }

} // namespace sondrel::platform
