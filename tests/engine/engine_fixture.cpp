// engine_fixture.cpp
#include "engine_fixture.h"

#include "foundation/hl_types.h"
#include "engine/decisions.h"
#include "engine/folders.h"
#include "engine/install_records.h"
#include "engine/manifest.h"
#include "engine/product_lock.h"
#include "engine/stg.h"
#include "engine/streams.h"
#include "files/zip_io.h"

#include <filesystem>

namespace {

int scripted_answer(const std::string& path, int gone)
{
    engine_fixture::questions().push_back({path, gone});
    auto& left = engine_fixture::answers();
    if (left.empty()) {
        ADD_FAILURE() << "unexpected question about " << path;
        return sel_cancel;
    }
    const int a = left.front();
    left.erase(left.begin());
    return a;
}

} // namespace

std::vector<int>& engine_fixture::answers()
{
    static std::vector<int> list;
    return list;
}

std::vector<question>& engine_fixture::questions()
{
    static std::vector<question> list;
    return list;
}

void engine_fixture::SetUp()
{
    ENG_reset_records();
    stg = stg_class{};
    STG_set_defaults();
    is_net = 0;
    install_type = 1;
    product = tmp / "Product/";
    std::filesystem::create_directories(product);
    dest_dir_path = product;
    temp_path = tmp.path() + "/";
    answers().clear();
    questions().clear();
    previous_select = ENG_set_select_hook(scripted_answer);
    log_path = tmp / "Log.txt";
    xer.open(log_path);
}

void engine_fixture::TearDown()
{
    ENG_set_select_hook(previous_select);
    ENG_unlock_product_folder();
    EXPECT_TRUE(answers().empty()) << "scripted answers left over";
    xer.close();
    is_net = 0;
    install_type = 1;
}

std::string engine_fixture::write_manifest(const std::string& body, const std::string& header)
{
    const std::string path = tmp / "directory.txt";
    write_file(path, header + body);
    return path;
}

void engine_fixture::put_file(const std::string& rel, const std::string& bytes)
{
    const std::string path = product + rel;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    write_file(path, bytes);
}

// ---- disc_install_fixture ---------------------------------------------------------

void disc_install_fixture::SetUp()
{
    engine_fixture::SetUp();
    disc = tmp / "disc/";
    dvd_path = disc;
    install_name = set;
    next = next_class{};
}

void disc_install_fixture::TearDown()
{
    dvd_path.clear();
    engine_fixture::TearDown();
}

bool disc_install_fixture::prepare_install()
{
    EXPECT_EQ(zip_to_file(dvd_path + install_name + "/directory.txt.zip", temp_path, nullptr, 0), 0);
    EXPECT_EQ(read_directory(temp_path + "directory.txt", "Scanning"), dir_ready);
    next.reset_all_streams();
    make_dirs();
    return choose_files() != 0;
}

int disc_install_fixture::run_install(int max_steps)
{
    if (!prepare_install()) return -1;
    for (int i = 0; i < max_steps; ++i)
        if (const int r = grab_files()) return r;
    ADD_FAILURE() << "the install did not end within " << max_steps << " steps";
    return 0;
}
