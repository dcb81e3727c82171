// The settings list, the password scrambling, and LoadParams/SaveParams over the two files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <string>

#include "DataPassword.h"
#include "Params.h"
#include "SharedData.h"
#include "SharedTestHome.h"

namespace lw {
namespace {

TEST(Params, NamesIgnoreCaseAndEmptyMeansAbsent) {
  TParams p;
  p.SetValue("prod_name", "Ledgerwake");
  p.SetValue("news_url", "http://a/b?x=1");
  EXPECT_EQ(p.Value("PROD_NAME"), "Ledgerwake");
  EXPECT_EQ(p.Value("news_url"), "http://a/b?x=1");  // only the first '=' separates
  EXPECT_EQ(p.Value("missing"), "");
  p.SetValue("Prod_Name", "Other");  // replaced in place, not appended
  EXPECT_EQ(p.Count(), 2);
  EXPECT_EQ(p.Lines()[0], "prod_name=Other");
  p.SetValue("PROD_NAME", "");
  EXPECT_FALSE(p.Contains("prod_name"));
  EXPECT_EQ(p.Count(), 1);
  p.SetValue("never", "");  // removing an absent key changes nothing
  EXPECT_EQ(p.Count(), 1);
}

TEST(PasswordScrambling, ExamplesAndRoundTrip) {
  test::THome home;
  auto sd = home.Start();
  EXPECT_EQ(sd->EncryptPassword("abc"), "#<=>@A");
  EXPECT_EQ(sd->DecryptPassword("#<=>@A"), "abc");
  EXPECT_EQ(sd->DecryptPassword("X<=>YZ"), "abc");  // markers are not checked
  EXPECT_EQ(sd->EncryptPassword(""), "#@A");
  EXPECT_EQ(sd->DecryptPassword("#@A"), "");
  EXPECT_EQ(sd->DecryptPassword("#"), "");
  EXPECT_EQ(sd->DecryptPassword("#@"), "");
  EXPECT_EQ(sd->EncryptPassword(" 0A"), std::string("#^o\x7f@A"));
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(sd->DecryptPassword(sd->EncryptPassword(all)), all);

  EXPECT_EQ(sd->DataPassword(), kDataPasswordText);
  const std::string pw = kDataPasswordText;
  ASSERT_EQ(pw.size(), 10u);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(pw[i])));
  for (int i = 4; i < 10; ++i) EXPECT_TRUE(std::isupper(static_cast<unsigned char>(pw[i])));
}

TEST(LoadParams, DefaultsWithoutAnySetupFile) {
  test::THome home;
  auto sd = home.Start();
  const TParams& p = sd->Params();
  EXPECT_EQ(p.Value("br"), "\r\n");
  EXPECT_EQ(p.Value("prod_name"), "Ledgerwake");
  EXPECT_EQ(p.Value("prod_code"), "LW");
  EXPECT_EQ(sd->ProductId(), "LW");
  EXPECT_EQ(p.Value("authr_name"), "TALVERN");
  EXPECT_EQ(p.Value("authr_company"), "TALVERN");
  EXPECT_FALSE(p.Contains("authr_phone"));
  EXPECT_FALSE(p.Contains("dist_phone"));
  EXPECT_EQ(p.Value("dist_name"), "TALVERN");
  EXPECT_EQ(p.Value("authr_url").back(), '/');
  EXPECT_NE(p.Value("dist_url").back(), '/');
  EXPECT_EQ(p.Value("prod_logo"), "logo.bmp");
  const std::string update = p.Value("prod_dupdateurl");
  EXPECT_EQ(update.substr(0, 8), "https://");  // a certificate-checked channel by default
  EXPECT_EQ(update.substr(update.find('/', 8)), "/updates/lw21update.inf");
  const std::string news = p.Value("news_url");
  EXPECT_EQ(news.substr(news.find('/', 7)), "/news/lwnews.inf");
  EXPECT_EQ(sd->NetNewsURL(), news);
  EXPECT_EQ(p.Value("news_file"), "lwnews.inf");
  EXPECT_EQ(p.Value("db_path"), "data/");
  EXPECT_EQ(p.Value("db_name1"), "businfo.db");
  EXPECT_EQ(p.Value("app_datadir"), home.Path("data/"));
  EXPECT_EQ(p.Value("app_tempdir"), home.Path("temp/"));
  EXPECT_FALSE(p.Contains("app_proxyhost"));
  EXPECT_EQ(sd->ConfigFileName(), home.Path("lwconfig.ini"));
}

TEST(LoadParams, SetupFileValuesAndTheNewsAddressCheck) {
  const struct {
    std::string url;
    bool kept;
  } cases[] = {
      {"http://news.example.com/n.inf", true},   {"HTTP://news.example.com/n.inf", false},
      {"ftp://news.example.com/n.inf", false},   {"https://news.example.com/n.inf", true},
      {"HTTPS://news.example.com/n.inf", false}, {"httpx://news.example.com/n.inf", false}};
  for (const auto& c : cases) {
    test::THome home;
    home.Write("setup.ini",
               "[PRODUCT]\r\nlogo=\"brand.bmp\"\r\n[DISTRIBUTOR]\r\nphone=555-0100\r\n"
               "[NEWS]\r\nurl=" +
                   c.url + "\r\n[DATABASE]\r\nname1=other.db\r\n");
    auto sd = home.Start();
    EXPECT_EQ(sd->Params().Value("prod_logo"), "brand.bmp");
    EXPECT_EQ(sd->Params().Value("dist_phone"), "555-0100");
    EXPECT_EQ(sd->Params().Value("db_name1"), "other.db");
    EXPECT_EQ(sd->Params().Value("news_url"), c.kept ? c.url : "") << c.url;
    EXPECT_EQ(sd->NetNewsURL(), c.kept ? c.url : "");
  }
}

TEST(SaveParams, FirstRunCreatesTheUserFileWithAllSixKeys) {
  test::THome home;
  home.Write("sample/sample.db", "x");
  {
    auto sd = home.Start();
    sd->Params().SetValue("app_proxyhost", "proxy.local");
    sd->Params().SetValue("app_proxyport", "3128");
    sd->Params().SetValue("app_proxyhost", "");  // removed again: saved with an empty value
  }
  EXPECT_EQ(home.Read("lwconfig.ini"),
            "[Application]\r\n"
            "datadir=data/\r\n"
            "tempdir=temp/\r\n"
            "proxyhost=\r\n"
            "proxyport=3128\r\n"
            "proxyuser=\r\n"
            "proxypassword=\r\n");
  // The next run reads them back.
  auto again = home.Start();
  EXPECT_EQ(again->Params().Value("app_proxyport"), "3128");
}

TEST(SaveParams, KeepsTheOtherSectionsOfTheUserFile) {
  test::THome home;
  home.Write("lwconfig.ini",
             "[Grid View]\r\nCol1=NAME;120\r\n\r\n[Application]\r\nproxyuser=anna\r\n");
  { auto sd = home.Start(); }
  const std::string text = home.Read("lwconfig.ini");
  EXPECT_EQ(text.substr(0, 36), "[Grid View]\r\nCol1=NAME;120\r\n\r\n[Appli");
  EXPECT_NE(text.find("proxyuser=anna\r\n"), std::string::npos);
  EXPECT_NE(text.find("datadir="), std::string::npos);
}

TEST(SaveParams, WriteFailureIsReportedAtShutdown) {
  test::THome home;
  std::filesystem::create_directories(home.Path("lwconfig.ini"));  // cannot be written
  auto sd = home.Start();
  try {
    sd->SaveParams();
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + home.Path("lwconfig.ini"));
  }
  sd.reset();
  ASSERT_EQ(home.Notifier->Errors.size(), 1u);
  EXPECT_EQ(home.Notifier->Errors[0], "Ledgerwake|Unable to write to " + home.Path("lwconfig.ini"));
}

TEST(SaveParams, AStoredProxyPasswordMakesTheFileOwnerOnly) {
  test::THome home;
  home.Write("lwconfig.ini", "[Application]\r\nproxyuser=anna\r\n");
  ::chmod(home.Path("lwconfig.ini").c_str(), 0644);
  { auto sd = home.Start(); }
  struct stat st {};
  ::stat(home.Path("lwconfig.ini").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0644u);  // nothing secret in it
  {
    auto sd = home.Start();
    sd->Params().SetValue("app_proxypassword", "secret");
  }
  ::stat(home.Path("lwconfig.ini").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_NE(home.Read("lwconfig.ini").find("proxypassword=secret"), std::string::npos);
}

}  // namespace
}  // namespace lw
