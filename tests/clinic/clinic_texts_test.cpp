// What the window and movra-cli say of the clinic's database: the server is named without
// anything of who connects, and libpq's reason reads as plain lines.
#include <gtest/gtest.h>

#include "clinic/clinic_texts.h"

namespace movra {
namespace {

TEST(ClinicServerName, NamesHostAndDatabaseNeverTheCredentials) {
  const struct {
    const char* url;
    const char* name;
  } cases[] = {
      {"postgresql://db.clinic.example/movra", "db.clinic.example/movra"},
      {"postgres://db:5433/movra?sslmode=verify-full&sslrootcert=/etc/ca.pem", "db:5433/movra"},
      {"postgresql://desk:secret@db/movra", "db/movra"},
      {"postgresql://desk:p@ss@db/movra?password=x", "db/movra"},
      {"postgresql:///movra?service=clinic", "/movra"},
      {"postgresql://", ""},
      {"https://db/movra", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ClinicServerName(c.url), c.name) << c.url;
}

TEST(PlainReason, HintLinesStartAtTheMarginAndNoBlankLineEndsIt) {
  EXPECT_EQ(PlainReason("connection to server at \"127.0.0.1\", port 5 failed: Connection refused\n"
                        "\tIs the server running on that host and accepting TCP/IP connections?\n"),
            "connection to server at \"127.0.0.1\", port 5 failed: Connection refused\n"
            "Is the server running on that host and accepting TCP/IP connections?");
  EXPECT_EQ(PlainReason("FATAL:  password authentication failed for user \"desk\"\n"),
            "FATAL:  password authentication failed for user \"desk\"");
}

}  // namespace
}  // namespace movra
