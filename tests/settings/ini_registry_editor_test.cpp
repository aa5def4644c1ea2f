#include "settings/ini_registry_editor.h"

#include <gtest/gtest.h>

#include "settings/registry_keys.h"
#include "store_fixture.h"
#include "support/scripted_prompts.h"

namespace vaultora::test {
namespace {

using IniRegistryEditor = StoreTest;

TEST_F(IniRegistryEditor, TypedValuesReadBackAsWritten) {
  FStore->WriteString("Preferences", "ShellCommand", "Exit To Dos");
  FStore->WriteInteger("Preferences", "DialRetry", -7);
  FStore->WriteBool("Settings", "TextLabels", true);
  FStore->WriteFloat("Values", "Ratio", 2.5);
  FStore->WriteDateTime("Values", "When", 45000.75);

  EXPECT_EQ(FStore->ReadString("Preferences", "ShellCommand", ""), "Exit To Dos");
  EXPECT_EQ(FStore->ReadInteger("Preferences", "DialRetry", 0), -7);
  EXPECT_TRUE(FStore->ReadBool("Settings", "TextLabels", false));
  EXPECT_EQ(FStore->ReadFloat("Values", "Ratio", 0), 2.5);
  EXPECT_EQ(FStore->ReadDateTime("Values", "When", 0), 45000.75);
  // A boolean is the string "1" underneath.
  EXPECT_EQ(FStore->ReadString("Settings", "TextLabels", ""), "1");
  EXPECT_EQ(FStore->ReadString("Preferences", "Missing", "def"), "def");
  EXPECT_EQ(FStore->ReadInteger("Nowhere", "DialRetry", 42), 42);
}

TEST_F(IniRegistryEditor, ReadsWithTheWrongKindRaiseInvalidDataType) {
  FStore->WriteInteger("S", "Count", 5);
  FStore->WriteFloat("S", "Ratio", 1.5);
  FStore->WriteString("S", "Text", "abc");
  try {
    FStore->ReadString("S", "Count", "");
    FAIL() << "no exception";
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Count'");
  }
  EXPECT_THROW(FStore->ReadInteger("S", "Ratio", 0), ERegistryException);
  EXPECT_THROW(FStore->ReadFloat("S", "Text", 0), ERegistryException);
  // Integer and boolean reads take decimal text, and non-numeric text gives the default.
  EXPECT_EQ(FStore->ReadInteger("S", "Text", 9), 9);
  FStore->WriteString("S", "Number", "123");
  EXPECT_EQ(FStore->ReadInteger("S", "Number", 0), 123);
  EXPECT_FALSE(FStore->ReadBool("S", "Text", false));
}

TEST_F(IniRegistryEditor, IntegerOverAStringStaysAString) {
  FStore->WriteString("S", "Port", "80");
  FStore->WriteInteger("S", "Port", 8080);
  EXPECT_EQ(FStore->ReadValue("S", "Port")->Type, rdString);
  EXPECT_EQ(FStore->ReadString("S", "Port", ""), "8080");

  FStore->WriteFloat("S", "Other", 1.0);
  FStore->WriteInteger("S", "Other", 3);
  EXPECT_EQ(FStore->ReadValue("S", "Other")->Type, rdDword);
  EXPECT_EQ(FStore->ReadInteger("S", "Other", 0), 3);
}

TEST_F(IniRegistryEditor, SectionsWithOnlySubKeysCountAsAbsent) {
  FStore->WriteString("Backups\\45000_5", "BackupTitle", "Monday");
  EXPECT_FALSE(FStore->SectionExists("Backups"));
  EXPECT_FALSE(FStore->ValueExists("Backups", "BackupTitle"));
  EXPECT_TRUE(FStore->SectionExists("Backups\\45000_5"));
  EXPECT_TRUE(FStore->ValueExists("Backups\\45000_5", "backuptitle"));
  // EraseSection leaves a section that holds no values of its own.
  FStore->EraseSection("Backups");
  EXPECT_TRUE(FStore->SectionExists("Backups\\45000_5"));
  FStore->EraseSection("Backups\\45000_5");
  EXPECT_FALSE(FStore->SectionExists("Backups\\45000_5"));
}

TEST_F(IniRegistryEditor, ReadTypedGivesDefaultsForMissingValues) {
  EXPECT_EQ(std::get<int32_t>(FStore->ReadTyped(vkInteger, "P", "None")), -1);
  EXPECT_EQ(std::get<std::string>(FStore->ReadTyped(vkString, "P", "None")), "");
  EXPECT_EQ(std::get<bool>(FStore->ReadTyped(vkBoolean, "P", "None")), false);
  EXPECT_EQ(std::get<double>(FStore->ReadTyped(vkFloat, "P", "None")), 0.0);
  const double before = Now();
  const double now = std::get<double>(FStore->ReadTyped(vkDateTime, "P", "None"));
  EXPECT_GE(now, before);
  EXPECT_LT(now - before, 1.0 / 24);
  EXPECT_TRUE(std::holds_alternative<std::monostate>(FStore->ReadTyped(8, "P", "None")));

  FStore->WriteTyped(vkInteger, "P", "Count", std::string("12"));
  EXPECT_EQ(std::get<int32_t>(FStore->ReadTyped(vkInteger, "P", "Count")), 12);
}

TEST_F(IniRegistryEditor, WriteTypedConvertsOrRaises) {
  FStore->WriteTyped(vkBoolean, "P", "Flag", std::string("True"));
  EXPECT_EQ(FStore->ReadString("P", "Flag", ""), "1");
  FStore->WriteTyped(vkString, "P", "Text", int32_t{5});
  EXPECT_EQ(FStore->ReadString("P", "Text", ""), "5");
  FStore->WriteTyped(vkFloat, "P", "Ratio", std::string("0.25"));
  EXPECT_EQ(FStore->ReadFloat("P", "Ratio", 0), 0.25);
  EXPECT_THROW(FStore->WriteTyped(vkInteger, "P", "Bad", std::string("twelve")), EVariantError);
  EXPECT_THROW(FStore->WriteTyped(vkInteger, "P", "Big", std::string("4294967296")), EVariantError);
  EXPECT_FALSE(FStore->ValueExists("P", "Bad"));
  // Date-times take day numbers or the shown form.
  FStore->WriteTyped(vkDateTime, "P", "When", std::string("08/12/2026 10:30:00 PM"));
  EXPECT_DOUBLE_EQ(FStore->ReadDateTime("P", "When", 0),
                   EncodeDate(2026, 12, 8) + EncodeTime(22, 30, 0));
  FStore->WriteTyped(vkTime, "P", "At", std::string("12:15 AM"));
  EXPECT_DOUBLE_EQ(FStore->ReadTime("P", "At", 0), EncodeTime(0, 15, 0));
  FStore->WriteTyped(vkDate, "P", "On", std::string("45000.5"));
  EXPECT_EQ(FStore->ReadDate("P", "On", 0), 45000.5);
  for (const char* bad : {"31/02/2026", "10:61", "13:00 PM", "1/1/2026 x", "soon"})
    EXPECT_THROW(FStore->WriteTyped(vkDateTime, "P", "Bad", std::string(bad)), EVariantError)
        << bad;
  FStore->WriteTyped(9, "P", "Nothing", std::string("1"));
  EXPECT_FALSE(FStore->ValueExists("P", "Nothing"));
}

TEST_F(IniRegistryEditor, NamesCompareWithoutCaseAndKeepTheirCase) {
  FStore->WriteString("MixedCase", "ValueName", "a");
  FStore->WriteString("MIXEDCASE", "VALUENAME", "b");
  FStore->ReadValueNames("mixedcase");
  EXPECT_EQ(FStore->Data(), TStringList({"ValueName"}));
  EXPECT_EQ(FStore->ReadString("mixedCASE", "valuename", ""), "b");
  FStore->ReadSections();
  EXPECT_EQ(FStore->Data(), TStringList({"MixedCase"}));
}

TEST_F(IniRegistryEditor, SubKeysByNameAndValuesInCreationOrder) {
  for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2"})
    FStore->WriteString(name, "x", "1");
  TStringList sections;
  FStore->ReadSections(&sections);
  EXPECT_EQ(sections, TStringList({"Alpha", "ALPHA2", "beta", "gamma"}));

  for (const char* name : {"Zeta", "alpha", "Mid"})
    FStore->WriteString("Order", name, "v");
  FStore->WriteString("Order", "ZETA", "rewritten keeps its place");
  TStringList names;
  FStore->ReadSection("Order", &names);
  EXPECT_EQ(names, TStringList({"Zeta", "alpha", "Mid"}));
}

TEST_F(IniRegistryEditor, DeleteClearAndErase) {
  FStore->WriteString("Page", "A", "1");
  FStore->WriteString("Page", "B", "2");
  FStore->WriteString("Page\\Child", "C", "3");
  FStore->DeleteValue("Page", "a");
  EXPECT_FALSE(FStore->ValueExists("Page", "A"));
  FStore->ClearSection("Page");
  EXPECT_EQ(FStore->Data(), TStringList({"B"}));
  EXPECT_FALSE(FStore->SectionExists("Page"));
  EXPECT_TRUE(FStore->ValueExists("Page\\Child", "C"));

  FStore->WriteString("Page", "D", "4");
  FStore->EraseSection("Page");
  EXPECT_FALSE(FStore->ValueExists("Page\\Child", "C"));
  FStore->ReadSections();
  EXPECT_TRUE(FStore->Data().empty());
}

TEST_F(IniRegistryEditor, OpenFollowsFilenameAndRoot) {
  ASSERT_TRUE(FStore->Open());
  TIniRegistryEditor fresh(nullptr, HivePath());
  EXPECT_EQ(fresh.RootKey(), rtHKEY_CLASSES_ROOT);
  EXPECT_FALSE(fresh.LazyWrite());
  EXPECT_FALSE(fresh.Open());
  fresh.WriteString("S", "N", "nowhere");  // no Filename: nothing is written
  EXPECT_EQ(fresh.ReadString("S", "N", "default"), "default");

  // Open creates the base key, in the root of the moment.
  fresh.SetFilename("Software\\Other");
  EXPECT_TRUE(fresh.Open());
  fresh.WriteString("S", "N", "classes");
  FStore->SetFilename("Software");
  FStore->ReadSections();
  EXPECT_EQ(FStore->Data(), TStringList({"Vaultora"}));
  fresh.SetRootKey(rtHKEY_CURRENT_USER);
  EXPECT_EQ(fresh.ReadString("S", "N", "absent"), "absent");
  FStore->ReadSections();
  EXPECT_EQ(FStore->Data(), TStringList({"Other", "Vaultora"}));

  // Switching Filename readdresses the next operation.
  fresh.SetFilename("Software\\Other\\S");
  fresh.WriteString("", "Here", "yes");
  fresh.SetFilename("Software\\Other");
  EXPECT_EQ(fresh.ReadString("S", "Here", ""), "yes");
  fresh.SetRootKey(rtHKEY_CLASSES_ROOT);
  EXPECT_EQ(fresh.ReadString("S", "N", ""), "classes");
  fresh.SetFilename("");
  EXPECT_FALSE(fresh.Open());
}

TEST_F(IniRegistryEditor, MoveKeyCopiesValuesAndSubKeys) {
  FStore->SetFilename("Software\\Vaultora\\Schedule");
  FStore->WriteString("Nightly", "Session", "/home/ann/a.bfl");
  FStore->WriteInteger("Nightly", "Hour", 2);
  FStore->WriteString("Nightly\\Deep", "X", "y");
  FStore->WriteString("Taken", "Session", "other");

  FStore->MoveKey("Nightly", "Taken", true);  // the target exists: nothing happens
  EXPECT_EQ(FStore->ReadString("Taken", "Session", ""), "other");
  EXPECT_TRUE(FStore->SectionExists("Nightly"));
  FStore->MoveKey("Missing", "Weekly", true);
  EXPECT_FALSE(FStore->SectionExists("Weekly"));
  FStore->MoveKey("Nightly", "Nightly\\Inside", true);  // into itself: refused
  EXPECT_EQ(FStore->ReadInteger("Nightly", "Hour", 0), 2);

  FStore->MoveKey("Nightly", "Copy", false);
  EXPECT_TRUE(FStore->SectionExists("Nightly"));
  FStore->MoveKey("Nightly", "Weekly", true);
  EXPECT_FALSE(FStore->SectionExists("Nightly"));
  FStore->ReadValueNames("Weekly");
  EXPECT_EQ(FStore->Data(), TStringList({"Session", "Hour"}));
  EXPECT_EQ(FStore->ReadInteger("Weekly", "Hour", 0), 2);
  EXPECT_EQ(FStore->ReadString("Weekly\\Deep", "X", ""), "y");
  EXPECT_EQ(FStore->ReadString("Copy\\Deep", "X", ""), "y");
}

TEST_F(IniRegistryEditor, BinaryValuesUpToTheLimit) {
  TScriptedPrompts prompts;
  FStore->SetFilename("Software\\Vaultora\\Registration");
  TMemoryStream exact(std::vector<uint8_t>(2048, 0xAB));
  FStore->WriteBinary("RegistrationData", exact);
  TMemoryStream over(std::vector<uint8_t>(2049, 0xCD));
  FStore->WriteBinary("RegistrationData", over);

  ASSERT_EQ(prompts.Shown().size(), 1u);
  EXPECT_EQ(prompts.Shown()[0].Kind, TPromptKind::pkError);
  EXPECT_EQ(prompts.Shown()[0].Text,
            "Registry entry for HKEY_CURRENT_USER , Software\\Vaultora\\Registration , "
            "RegistrationData cannot be writen as it exceeds the acceptable size");
  auto back = FStore->ReadBinary("RegistrationData");
  EXPECT_EQ(back->Position(), 0);
  EXPECT_EQ(back->Bytes(), exact.Bytes());

  TMemoryStream empty;
  FStore->WriteBinary("Empty", empty);
  EXPECT_FALSE(FStore->ValueExists("", "Empty"));
  EXPECT_EQ(FStore->ReadBinary("Empty")->Size(), 0);
  FStore->WriteString("", "Text", "x");
  EXPECT_THROW(FStore->ReadBinary("Text"), ERegistryException);
}

TEST_F(IniRegistryEditor, TransactionCommitsOrRollsBackTheWholeGroup) {
  FStore->WriteString("Connection", "Host", "10.0.0.1");
  {
    TRegistryTransaction transaction(*FStore);
    FStore->ClearSection("Connection");
    FStore->WriteString("Connection", "Host", "10.0.0.2");
    FStore->WriteInteger("Connection", "ServerPort", 4000);
    auto other = NewStore();  // another connection still sees the old page
    EXPECT_EQ(other->ReadString("Connection", "Host", ""), "10.0.0.1");
  }  // left without Commit
  EXPECT_EQ(FStore->ReadString("Connection", "Host", ""), "10.0.0.1");
  EXPECT_FALSE(FStore->ValueExists("Connection", "ServerPort"));

  {
    TRegistryTransaction transaction(*FStore);
    FStore->ClearSection("Connection");
    {
      TRegistryTransaction inner(*FStore);
      FStore->WriteString("Connection", "Discarded", "x");
    }
    FStore->WriteInteger("Connection", "ServerPort", 4000);
    transaction.Commit();
  }
  auto other = NewStore();
  EXPECT_FALSE(other->ValueExists("Connection", "Host"));
  // A transaction may come first of all in a new instance.
  auto fresh = NewStore();
  {
    TRegistryTransaction first(*fresh);
    fresh->WriteString("Connection", "Host", "10.0.0.3");
    first.Commit();
  }
  EXPECT_EQ(FStore->ReadString("Connection", "Host", ""), "10.0.0.3");
  EXPECT_FALSE(other->ValueExists("Connection", "Discarded"));
  EXPECT_EQ(other->ReadInteger("Connection", "ServerPort", 0), 4000);
}

}  // namespace
}  // namespace vaultora::test
