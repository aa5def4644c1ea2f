// The file list editor's model: where each mode keeps its list, fresh lists, saving an empty
// list, and the viewer that changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "selection/file_list_format.h"
#include "selection/session_edit.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

class SessionEdit : public testing::Test {
 protected:
  void SetUp() override {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
    // A working folder with dots in its path: only the time part of a new name changes.
    work = profile.Home() + "my.work.folder/";
    std::filesystem::create_directories(work);
    store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, work);
    std::ofstream(files / "a.txt") << "alpha";
  }
  std::string Stored() {
    return TRegistryKey(store, source.Key).ReadString(source.Section, source.Value, "");
  }

  TTestProfile profile;
  TIniRegistryEditor store;
  TScriptedPrompts prompts;
  TTempFolder files;
  std::string work;
  TSessionSource source{keys::kScheduleKey, "Nightly", "DefaultSession"};
};

TEST_F(SessionEdit, ANewListIsNamedInTheWorkingFolderAndAnEmptyOneRemovesTheReference) {
  TSessionEdit edit(smSchedule, source);
  edit.Load(store);
  EXPECT_EQ(edit.AddSelected({files / "a.txt"}, "*.*", false), 1);
  const std::string path = edit.Apply(store);
  EXPECT_EQ(Stored(), path);
  EXPECT_EQ(path.rfind(work, 0), 0u) << path;
  EXPECT_EQ(path.substr(work.size()).find('.'), path.size() - work.size() - 4) << path;
  EXPECT_TRUE(std::filesystem::exists(path));

  TSessionEdit again(smSchedule, source);
  again.Load(store);
  ASSERT_EQ(again.List().Count(), 1u);
  prompts.Answer(true);
  ASSERT_TRUE(again.RemoveEntries({files / "a.txt"}));
  EXPECT_EQ(again.Apply(store), "");
  EXPECT_EQ(Stored(), "");
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SessionEdit, FreshDropsTheReferenceAndTheViewerChangesNothing) {
  TRegistryKey(store, source.Key).WriteString(source.Section, source.Value, files / "old.bfl");
  TSessionEdit fresh(smSchedule, source, true);
  fresh.Load(store);
  EXPECT_EQ(Stored(), "");
  EXPECT_EQ(fresh.List().Count(), 0u);

  const std::string list = files / "list.bfl";
  std::ofstream(list, std::ios::binary) << files.Path() << "\r\na.txt\r\n";
  TSessionEdit viewer(smViewer, {});
  viewer.LoadFile(list);
  EXPECT_EQ(viewer.List().Count(), 1u);
  EXPECT_EQ(viewer.Drop({files / "a.txt", files.Path()}), 0);
  EXPECT_FALSE(viewer.RemoveEntries({files / "a.txt"}));
  EXPECT_EQ(viewer.Apply(store), list);
  EXPECT_TRUE(prompts.Texts().empty());  // nothing was even asked
  viewer.LoadFile("   ");
  EXPECT_EQ(viewer.List().Count(), 0u);
}

TEST_F(SessionEdit, ClosingAChangedListAsksAndNoKeepsTheFileAsItWas) {
  const std::string list = files / "kept.bfl";
  std::ofstream(list, std::ios::binary) << files.Path() << "\r\na.txt\r\n";
  TRegistryKey(store, source.Key).WriteString(source.Section, source.Value, list);
  TSessionEdit edit(smSchedule, source);
  edit.Load(store);
  edit.AddSelected({RuleText(files.Path(), true, "*.md")}, "*.*", true);
  prompts.Answer(false);
  edit.Close(store);
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{kSaveBeforeLeavingQuestion});
  std::ifstream file(list, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, files.Path() + "\r\na.txt\r\n");
}

}  // namespace
}  // namespace vaultora::test
