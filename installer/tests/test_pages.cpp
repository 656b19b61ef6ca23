// The page machine with pages that record their notices, then the installer's own pages
// against a seeded registry: skips, Back, Cancel, components, Java, the IDE and space.
#include "installer/core/actions.h"
#include "installer/core/keys.h"
#include "installer/core/wizard.h"
#include "installer/tests/fixture.h"

namespace {

using namespace inst;
using inst_test::installer_test;

struct fake_page : page {
    fake_page(std::string& trail, int index) : trail_(trail), index_(index) {}
    int enter(bool forward) override {
        trail_ += "+" + std::to_string(index_) + (forward ? "f" : "b");
        return enter_result;
    }
    int leave(bool) override {
        trail_ += "-" + std::to_string(index_);
        return leave_result;
    }
    int enter_result = 0, leave_result = 0;
    std::string& trail_;
    int index_;
};

class page_machine : public installer_test {
protected:
    std::vector<fake_page*> make(wizard*& out) {
        std::vector<std::unique_ptr<page>> pages;
        std::vector<fake_page*> raw;
        for (int i = 0; i < page_count; ++i) {
            auto p = std::make_unique<fake_page>(trail, i);
            raw.push_back(p.get());
            pages.push_back(std::move(p));
        }
        machine = std::make_unique<wizard>(c, std::move(pages));
        out = machine.get();
        return raw;
    }
    std::string trail;
    std::unique_ptr<wizard> machine;
};

TEST_F(page_machine, SkipsMoveInTheDirectionOfTravel) {
    wizard* w;
    auto pages = make(w);
    pages[1]->enter_result = SKIP_PAGE;
    w->start();
    w->next();
    EXPECT_EQ(w->current(), 2);
    EXPECT_EQ(trail, "+0f-0+1f-1+2f");   // a skipped page still gets its leave notice
    trail.clear();
    w->back();
    EXPECT_EQ(w->current(), 0);
    EXPECT_EQ(trail, "-2+1b-1+0b");
    EXPECT_FALSE(window.controls[ID_BACK].enabled);
}

TEST_F(page_machine, SkippingBackPastTheFirstPageTurnsRound) {
    wizard* w;
    auto pages = make(w);
    pages[0]->enter_result = SKIP_PAGE;
    pages[1]->enter_result = SKIP_PAGE;
    w->start();
    EXPECT_EQ(w->current(), 2);
    w->back();
    EXPECT_EQ(w->current(), 2);
    EXPECT_FALSE(w->finished());
}

TEST_F(page_machine, RefusedLeaveStaysAndBackStaysDisabled) {
    wizard* w;
    auto pages = make(w);
    w->start();
    pages[0]->leave_result = REFUSE_LEAVE;
    w->next();
    EXPECT_EQ(w->current(), 0);
    pages[0]->leave_result = 0;
    pages[4]->enter_result = SKIP_PAGE | BACK_STAYS_DISABLED;
    for (int i = 0; i < 4; ++i)
        w->next();
    EXPECT_EQ(w->current(), complete_page);
    EXPECT_FALSE(window.controls[ID_BACK].enabled);
    EXPECT_EQ(window.controls[ID_NEXT].text, "Finish");
    EXPECT_FALSE(window.controls[ID_CANCEL].enabled);
    w->next();
    EXPECT_TRUE(w->finished());
    EXPECT_EQ(w->exit_code(), 0);
}

// The work of a page pumps messages: a Next, Cancel or close arriving then is not obeyed.
TEST_F(page_machine, ClicksDuringAPageChangeAreIgnored) {
    struct busy_page : fake_page {
        using fake_page::fake_page;
        wizard* machine = nullptr;
        int enter(bool forward) override {
            machine->next();
            machine->cancel();
            machine->close();
            return fake_page::enter(forward);
        }
    };
    std::vector<std::unique_ptr<page>> pages;
    busy_page* busy = nullptr;
    for (int i = 0; i < page_count; ++i) {
        if (i == 1) {
            auto p = std::make_unique<busy_page>(trail, i);
            busy = p.get();
            pages.push_back(std::move(p));
        } else {
            pages.push_back(std::make_unique<fake_page>(trail, i));
        }
    }
    wizard w(c, std::move(pages));
    busy->machine = &w;
    w.start();
    w.next();
    EXPECT_EQ(w.current(), 1);
    EXPECT_FALSE(w.finished());
    EXPECT_EQ(trail, "+0f-0+1f");
}

TEST_F(page_machine, CancelAndClose) {
    wizard* w;
    make(w);
    w->start();
    window.answers = {false};
    w->cancel();
    EXPECT_FALSE(w->finished());
    w->close();   // the close box asks like Cancel and ends with status 1
    EXPECT_TRUE(w->finished());
    EXPECT_EQ(w->exit_code(), 1);

    wizard* last;
    make(last);
    last->goto_page(complete_page);
    last->cancel();   // no question on the last page
    EXPECT_TRUE(window.answers.empty());
    EXPECT_EQ(last->exit_code(), 1);
    wizard* closed;
    make(closed);
    closed->goto_page(complete_page);
    closed->close();
    EXPECT_EQ(closed->exit_code(), 0);
}

class pages_test : public installer_test {
protected:
    void seed(int root, const std::string& key, const std::string& value, const std::string& text) {
        ASSERT_EQ(reg_write_string(c, root, key, value, text), 0);
    }
    std::vector<int> shown_pages(wizard& w, int steps) {
        std::vector<int> seen{w.current()};
        for (int i = 0; i < steps && !w.finished(); ++i) {
            w.next();
            if (!w.finished())
                seen.push_back(w.current());
        }
        return seen;
    }
};

TEST_F(pages_test, InstallOnlyShowsInstalldirAndEndsAfterTheWork) {
    manifest("[Variables]\nInstallOnly=yes\nDescription=D\nVersion=1.0\n[Features]\nFeature=F\n"
             "[Components]\nComponent=C\nF\n[Run]\n");
    set_flag_variable(c, "Install", true);
    set_variable(c, "InstDir", path("target"));
    wizard w(c);
    w.start();
    EXPECT_EQ(w.current(), 2);
    w.back();   // nothing before it to show: stays
    EXPECT_EQ(w.current(), 2);
    w.next();   // Configuration skipped, the work done, Complete skipped: the end
    EXPECT_TRUE(w.finished());
    EXPECT_EQ(w.exit_code(), 0);
}

TEST_F(pages_test, KeptSetupRemovingSkipsLicenceInstalldirAndConfiguration) {
    manifest("[Variables]\nRemove=yes\nRepair=yes\nDescription=D\nVersion=1.0\n[Run]\n");
    set_variable(c, "LICENCE", "/nonexistent");   // would be fatal if the Licence page ran
    wizard w(c);
    w.start();
    EXPECT_FALSE(window.controls[ID_NEXT].enabled);
    window.set_checked(ID_REMOVE, true);
    w.command(ID_REMOVE);
    EXPECT_TRUE(window.controls[ID_NEXT].enabled);
    window.answers = {false};
    w.next();   // "Are you sure" answered No: stays
    EXPECT_EQ(w.current(), 0);
    w.next();
    EXPECT_EQ(w.current(), complete_page);
    EXPECT_FALSE(c.removal_batch.empty());
    host.delete_file(c.removal_batch);
}

TEST_F(pages_test, ComponentsBoxesSpaceAndTheFifthBox) {
    manifest("[Resources]\n[Variables]\nDescription=D\n[Features]\n"
             "Feature=A\na/\nf1\t5000\nFeature=B\nb/\nf2\t4096\nFeature=C\nc/\nf3\t1\n"
             "Feature=D\nd/\nf4\t10000\nFeature=E\nInstaller=ftp://host/e.exe\t3000000\n"
             "[Components]\nComponent=1\nDescription=One\nRequired=yes\nA\n"
             "Component=2\nDescription=Two\nB\nComponent=3\nDescription=Three\nSelected=no\nC\n"
             "Component=4\nDescription=Four\nD\nComponent=5\nDescription=Five\nSelected=no\nE\n[Run]\n");
    set_flag_variable(c, "Install", true);
    wizard w(c);
    w.goto_page(2);
    ASSERT_EQ(w.current(), 2);
    EXPECT_EQ(window.controls[250].place.y, 210 - 75);
    EXPECT_FALSE(window.controls[250].enabled);   // required
    EXPECT_FALSE(window.controls[258].checked);
    EXPECT_EQ(window.controls[266].text, "** Five");
    EXPECT_EQ(window.controls[ID_FRAME].place.height, 15 * 5 + 35);
    // One, Two, Four: 5000 -> 8192, 4096, 10000 -> 12288 bytes: 24576 bytes = 24 KB.
    EXPECT_EQ(window.controls[ID_SPACE_NEEDED].text, "Space required: 0.0 MB");
    EXPECT_EQ(space_needed(c, 4096), 24u);
    EXPECT_EQ(window.controls[ID_SPACE_FREE].text, "Space available: 100 MB");
    // Boxes past the third report too: Five's download counts its installer size.
    window.set_checked(266, true);
    w.command(266);
    EXPECT_TRUE(c.components[4].selected);
    EXPECT_EQ(window.controls[ID_SPACE_NEEDED].text, "Space required: 2.9 MB");
}

TEST_F(pages_test, SingleComponentShowsNoBoxes) {
    manifest("[Variables]\nDescription=D\n[Features]\nFeature=A\n[Components]\nComponent=1\nA\n[Run]\n");
    set_flag_variable(c, "Install", true);
    wizard w(c);
    w.goto_page(2);
    EXPECT_FALSE(window.has(ID_FIRST_BOX));
    EXPECT_EQ(window.controls[ID_FRAME].place.y, 205);
}

TEST_F(pages_test, JavaComponentStaysOnlyWhenNoInstalledRuntimeMatches) {
    const std::string jre = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
    std::string list = scratch().write("jcompat.txt", "# comment\n\n1.4\n");
    for (const char* version : {"1.3.1", "1.4.0", "1.4.2"})
        seed(ROOT_MACHINE, jre + "\\" + version, "JavaHome", "/java");
    EXPECT_TRUE(check_java_runtime(c, list, nullptr));
    std::string newer = scratch().write("newer.txt", "1.5\n#1.4\n");
    EXPECT_FALSE(check_java_runtime(c, newer, nullptr));

    const std::string body = "[Variables]\nDescription=D\n[Features]\nFeature=A\nFeature=J\n"
                             "[Components]\nComponent=1\nJava=yes\nA\nComponent=2\nDescription=java runtime\n"
                             "Selected=no\nJ\nComponent=3\nA\n[Run]\n";
    manifest(body);
    set_variable(c, "JCOMPAT", list);
    set_flag_variable(c, "Install", true);
    {
        wizard w(c);
        w.goto_page(2);
        EXPECT_EQ(c.components.size(), 2u);   // a runtime matches: the Java component goes
    }
    context other{host, window};
    other.fingerprint = c.fingerprint;
    read_manifest(other, other.fingerprint + "\n" + body);
    set_variable(other, "JCOMPAT", newer);
    set_flag_variable(other, "Install", true);
    wizard w(other);
    w.goto_page(2);
    ASSERT_EQ(other.components.size(), 3u);
    EXPECT_TRUE(other.components[1].selected);
}

TEST_F(pages_test, IdeShortcutAndHoltekSettings) {
    seed(ROOT_MACHINE, "Software\\BRYLLEX Software\\KORVIDE\\2.1\\PL0", "InstDir", path("ide"));
    seed(ROOT_MACHINE, "Software\\BRYLLEX Software\\KORVIDE\\2.1\\PL3", "InstDir", path("ide3"));
    std::filesystem::create_directories(path("holtek/bin"));
    seed(ROOT_MACHINE, "SOFTWARE\\Holtek Inc.\\HT-IDE3000\\V7", "Dir", path("holtek"));
    manifest("[Variables]\nManufacturer=M\nProduct=P\nVersion=9.50\nDescription=D\nKORVIDE_ShortCut=2.1\n"
             "EditHoltekIDE=yes\n[Run]\n");
    set_variable(c, "InstDir", path("inst"));
    set_variable(c, "SETUP", path("inst/resources/setup.exe"));
    repair_run(c);
    EXPECT_EQ(c.ide_program, path("ide") + "/bin/korvide.exe");
    EXPECT_TRUE(host.exists(variable_or_empty(c, "ShortcutFolder") + "/KORVIDE Integrated Development Environment.lnk"));
    EXPECT_TRUE(host.exists(variable_or_empty(c, "ShortcutFolder") + "/HT-IDE3000.lnk"));
    EXPECT_NE(testsupport::read_file(path("holtek/bin/ht-ide3000.ini")).find("[Bryllex]\nCOMPILER=\""), std::string::npos);
    EXPECT_EQ(variable_or_empty(c, "HoltekIDEPath"), path("holtek") + "/bin/ht-ide3000.exe");
    set_variable(c, "KORVIDE_ShortCut", "2.1L3");
    repair_run(c);
    EXPECT_EQ(c.ide_program, path("ide3") + "/bin/korvide.exe");
}

TEST_F(pages_test, ConfigurationWritesLanguageAndPathEvenGoingBack) {
    manifest("[Variables]\nManufacturer=M\nProduct=P\nVersion=1\nDescription=D\n[Run]\n");
    set_variable(c, "InstDir", "/opt/p");
    const std::string env = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    seed(ROOT_MACHINE, env, "PATH", "/usr/bin;");
    set_flag_variable(c, "Repair", true);
    set_variable(c, "LICENCE", scratch().write("licence.txt", "terms\n"));   // Back lands there
    wizard w(c);
    w.goto_page(3);
    ASSERT_EQ(w.current(), 3);
    window.controls[ID_LANGUAGE].selection = 2;
    window.set_checked(ID_OPTION_BOX, true);
    w.back();
    uint32_t type;
    std::vector<uint8_t> data;
    ASSERT_EQ(host.reg_read(ROOT_MACHINE, "SOFTWARE\\M\\P\\1", "language", type, data), 0);
    EXPECT_EQ(data[0], 12);
    EXPECT_EQ(*reg_read_string(c, ROOT_MACHINE, env, "PATH"), "/usr/bin;/opt/p/bin");
    w.goto_page(3);
    window.set_checked(ID_OPTION_BOX, true);
    w.back();   // a second time: PATH holds bin once
    EXPECT_EQ(*reg_read_string(c, ROOT_MACHINE, env, "PATH"), "/usr/bin;/opt/p/bin");
}

TEST_F(pages_test, LogKeepsTheNewestLinesAndRatesUseTheClock) {
    for (int i = 0; i < 1200; ++i)
        log_line(c, "line " + std::to_string(i) + " of the log");
    EXPECT_LE(c.log.size(), 10100u);
    EXPECT_NE(c.log.find("line 1199 of the log\r\n"), std::string::npos);
    EXPECT_EQ(c.log.substr(0, 5), "line ");   // cut at a line boundary
    EXPECT_EQ(c.log.find("line 0 of"), std::string::npos);

    c.log.clear();
    host.clock = 100;
    transfer_progress(c, 0, 10000000);
    host.clock = 102;
    transfer_progress(c, 1000, 10000000);
    EXPECT_TRUE(c.log.empty());   // less than 3 s: no text
    host.clock = 103;
    transfer_progress(c, 1500, 10000000);
    host.clock = 107;
    transfer_progress(c, 1500 + 4 * 2048, 10000000);
    host.clock = 110;
    transfer_progress(c, 1500 + 4 * 2048 + 3 * 2097152, 10000000);
    EXPECT_EQ(c.log, "500 bytes/second (0% complete)\r\n2.00 kilobytes/second (0% complete)\r\n"
                     "2.00 megabytes/second (63% complete)\r\n");
}

}  // namespace
