#ifndef QUORVANE3_TESTS_SENDER_SCRATCH_H
#define QUORVANE3_TESTS_SENDER_SCRATCH_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "handoff/mail_job_writer.h"
#include "tests/mailer/scratch_dir.h"

namespace quorvane3::test {

// Folders for whole runs of the sender: while a test runs, the temporary
// folder (mutex lock file, message files) and the configuration file
// "quorvane3.ini" are in tmp_; job files go to jobs_, send logs to logs_.
class SenderScratch : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TMPDIR", tmp_.path().c_str(), 1);
        ::setenv("QUORVANE3_INI", tmp_.File("quorvane3.ini").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("TMPDIR");
        ::unsetenv("QUORVANE3_INI");
    }

    std::string WriteJob(const handoff::MailJobFields& job) const {
        std::string path;
        EXPECT_TRUE(handoff::WriteMailJobFile(jobs_.path(), job, path));
        return path;
    }

    // Everything the runs wrote to the send logs.
    std::string LogText() const {
        std::string text;
        for (const auto& entry : std::filesystem::directory_iterator(logs_.path())) {
            if (entry.path().extension() == ".log") text += ReadAll(entry.path());
        }
        return text;
    }

    ScratchDir tmp_, jobs_, logs_;
};

}  // namespace quorvane3::test

#endif
