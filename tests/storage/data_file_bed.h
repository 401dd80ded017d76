// What every data-file test needs: a user directory of its own (the
// "Local AppData" setting points into a temporary folder), a working directory
// for "Log.txt", and automation strings that free themselves.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "support/harness.h"
#include "support/bstr.h"
#include "support/local_app_data.h"

namespace velk_test {

class DataFileBed {
public:
    DataFileBed() { setting_.Set(app_data_.path()); }
    const std::string& AppData() const { return app_data_.path(); }
    std::string UserDir() const { return app_data_.path() + "\\VELKUserDir"; }
    std::string DataFile(const std::string& name) const { return UserDir() + "\\" + name + ".VELKDat"; }
    const TempDir& Work() const { return work_; }
    LocalAppDataSetting& Setting() { return setting_; }

private:
    LocalAppDataSetting setting_;
    TempDir app_data_;
    TempDir work_;
};

}  // namespace velk_test
