// What the privacy rules let leave the machine.
#include "DeskmapCore/Privacy/PrivacyRules.hpp"

#include <gtest/gtest.h>

namespace deskmap {
namespace {

WindowEvidence window(std::string app, std::optional<std::string> title) {
    return WindowEvidence{1, std::move(app), std::move(title), {}};
}

TEST(PrivacyRules, AppsMatchWholeInAnyCase) {
    const auto rules = PrivacyRules::defaults();
    EXPECT_TRUE(Privacy::isExcludedApp("keepassxc", rules));
    EXPECT_TRUE(Privacy::isExcludedApp("PROTON PASS", rules));
    EXPECT_FALSE(Privacy::isExcludedApp("KeePassXC Helper", rules)) << "whole names only";
    EXPECT_FALSE(Privacy::isExcludedApp("Pass", rules));
    EXPECT_TRUE(Privacy::isExcludedApp("straße", {{"STRASSE"}, {}, false})) << "full folding";
    EXPECT_TRUE(Privacy::isWithheld(window("Bitwarden", std::nullopt), rules)) << "no title needed";
    EXPECT_TRUE(Privacy::isExcludedApp("org.keepassxc.KeePassXC", rules))
        << "an app id's last part";
    EXPECT_TRUE(Privacy::isExcludedApp("org.gnome.seahorse.Application", rules));
    EXPECT_FALSE(Privacy::isExcludedApp("org.example.keepass.viewer", rules));
    EXPECT_TRUE(Privacy::isWithheld(window("Files", std::nullopt), {{}, {"*"}, false}))
        << "no title is an empty one";
}

TEST(PrivacyRules, PatternsWithoutAStarMatchAnywhereWithAStarTheWholeTitle) {
    EXPECT_TRUE(
        Privacy::titleMatches("Bank — Mozilla Firefox Private Browsing", "private browsing"));
    EXPECT_TRUE(Privacy::titleMatches("New Incognito Tab", "INCOGNITO"));
    EXPECT_FALSE(Privacy::titleMatches("Private notes", "Private Browsing"));
    EXPECT_FALSE(Privacy::titleMatches("anything", "")) << "an empty pattern withholds nothing";

    EXPECT_TRUE(Privacy::titleMatches("Inbox (3) - me@example.org - Mail", "inbox*mail"));
    EXPECT_FALSE(Privacy::titleMatches("Inbox (3) - Mail - draft", "inbox*mail")) << "anchored";
    EXPECT_TRUE(Privacy::titleMatches("bank", "*")) << "a lone star is every title";
    EXPECT_TRUE(Privacy::titleMatches("a*b", "a*b"));
    EXPECT_TRUE(Privacy::titleMatches("aaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*b"));
    EXPECT_FALSE(Privacy::titleMatches("aaaaaaaaaaaaaaaaaaaaaaaaa", "*a*a*a*a*b"));

    // "Café" composed and decomposed, in titles and patterns alike.
    const std::string composed = "Caf\xC3\xA9";
    const std::string decomposed = "Cafe\xCC\x81";
    EXPECT_TRUE(Privacy::titleMatches("Menu " + decomposed, "caf\xC3\x89"));
    EXPECT_TRUE(Privacy::titleMatches("Menu " + composed, "*" + decomposed));
}

TEST(PrivacyRules, MaskingReplacesIdentifiersAndKeepsLabels) {
    EXPECT_EQ(Privacy::maskedIdentifiers("Inbox - jane.doe+work@mail.example.com - Mail"),
              "Inbox - [email] - Mail");
    EXPECT_EQ(Privacy::maskedIdentifiers("Write to ops@corp.io."), "Write to [email].");
    EXPECT_EQ(Privacy::maskedIdentifiers("Order 12345678 shipped"), "Order [number] shipped");
    EXPECT_EQ(Privacy::maskedIdentifiers("Commit 3f9a2c7e1b4d5a6f8e9d0c1b"), "Commit [token]");
    EXPECT_EQ(Privacy::maskedIdentifiers("key sk-AbCdEf0123456789XyZ done"), "key [token] done");
    EXPECT_EQ(Privacy::maskedIdentifiers("run 123e4567-e89b-12d3-a456-426614174000"),
              "run [token]");
    EXPECT_EQ(Privacy::maskedIdentifiers("Order \xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93\xEF\xBC\x94"
                                         "\xEF\xBC\x95\xEF\xBC\x96"),
              "Order [number]")
        << "full-width digits";
    EXPECT_EQ(Privacy::maskedIdentifiers("jos\xC3\xA9@example.com - Inbox"), "[email] - Inbox");
    EXPECT_EQ(Privacy::maskedIdentifiers("https://x.example/reset?abcdef"),
              "https://x.example/reset?[query]");
    EXPECT_EQ(Privacy::maskedIdentifiers("https://shop.example/cart?id=42&ref=mail - Shop"),
              "https://shop.example/cart?[query] - Shop");
    EXPECT_EQ(Privacy::maskedIdentifiers("fix-1234567 rollout"), "fix-[number] rollout");
    EXPECT_EQ(Privacy::maskedIdentifiers("JIRA-4111111111111111 and #4111111111111111"),
              "JIRA-[number] and #[number]")
        << "a long number after a label is no ticket";
    EXPECT_EQ(Privacy::maskedIdentifiers("t q3Zl/8Xk2+Pw9A/bR4sT7uV1wY0z"), "t [token]");
    EXPECT_EQ(Privacy::maskedIdentifiers("dGhpc2lz-YV9zZWNyZXQ_dG9rZW4x"), "[token]");
    EXPECT_EQ(Privacy::maskedIdentifiers("x@y.io123456"), "[email][number]")
        << "an address uncovered by a mask is masked too";

    for (const std::string kept :
         {"ABC-123 Fix the login page", "PR #482 review", "Is it done? Yes", "2024 plan",
          "feature/ABC-123-fix-login", "my_long_variable_name_2 - vim", "JIRA-123456 triage",
          "PR #123456", "internationalization notes", "a@b", "C++ @ home", "Café — Straße 12"}) {
        EXPECT_EQ(Privacy::maskedIdentifiers(kept), kept);
    }
}

TEST(PrivacyRules, SendableWithholdsAndMasksButKeepsEverySpace) {
    Inventory inventory{{
        {1,
         "s1",
         "d",
         true,
         {window("Terminal", "build 1234567"), window("KeePassXC", "Passwords.kdbx"),
          window("Firefox", "Bank - Private Browsing")}},
        {2, "s2", "d", false, {window("Bitwarden", "Vault")}},
    }};
    auto rules = PrivacyRules::defaults();
    auto sent = Privacy::sendable(inventory, rules);
    ASSERT_EQ(sent.inventory.spaces.size(), 2u);
    EXPECT_EQ(sent.withheld, (std::vector<std::size_t>{2, 1}));
    ASSERT_EQ(sent.inventory.spaces[0].windows.size(), 1u);
    EXPECT_EQ(sent.inventory.spaces[0].windows[0].title, "build 1234567") << "masking is off";
    EXPECT_TRUE(sent.inventory.spaces[1].windows.empty()) << "sent as a Space without windows";
    EXPECT_EQ(sent.inventory.spaces[1].id, "s2");

    rules.redactIdentifiers = true;
    EXPECT_EQ(Privacy::sendable(inventory, rules).inventory.spaces[0].windows[0].title,
              "build [number]");
    EXPECT_EQ(Privacy::sendable(inventory, {{}, {}, false}).inventory, inventory)
        << "no rules: everything as it is";
}

} // namespace
} // namespace deskmap
