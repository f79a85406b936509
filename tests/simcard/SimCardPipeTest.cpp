// The listener's named pipe: one card per name, the user's alone, gone with
// the listener, and clients taking turns.
#include "TestEndpoint.h"

#include "platform/simcard/SimCardListener.h"
#include "platform/simcard/SimCardProtocol.h"
#include "platform/tuner/SimTunerCard.h"

#include <gtest/gtest.h>

#include <thread>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

using namespace remorra;
using namespace remorra::simcard;
using remorra::tuner::SimTunerCard;

TEST(SimCardPipe, OneCardPerNameAndGoneWithItsListener)
{
    const TestEndpoint pipe;
    SimTunerCard card;
    std::string error;
    {
        CSimCardListener first(card, pipe.path);
        ASSERT_TRUE(first.Start(error)) << error;
        CSimCardListener second(card, pipe.path);
        EXPECT_FALSE(second.Start(error));
        EXPECT_EQ(error, pipe.path + ": another simulated card already listens there");
        first.Stop();
        EXPECT_FALSE(SendToSimCard({560}, error, pipe.path));
        EXPECT_EQ(error, "no simulated card listens at " + pipe.path + " (is Remorra running on a simulated card?)");
        EXPECT_TRUE(second.Start(error)) << "the name is free again: " << error;
    }
    for (const std::string& bad : {std::string("C:\\card"), std::string("\\\\.\\pipe\\"),
                                  std::string("\\\\.\\pipe\\a\\b"), "\\\\.\\pipe\\" + std::string(300, 'x')}) {
        CSimCardListener listener(card, bad);
        EXPECT_FALSE(listener.Start(error)) << bad;
        EXPECT_NE(error.find("not a usable pipe name"), std::string::npos) << error;
        EXPECT_FALSE(SendToSimCard({560}, error, bad));
        EXPECT_NE(error.find("not a usable pipe name"), std::string::npos) << error;
    }
}

TEST(SimCardPipe, OnlyTheUserMayOpenIt)
{
    const TestEndpoint pipe;
    SimTunerCard card;
    CSimCardListener listener(card, pipe.path);
    std::string error;
    ASSERT_TRUE(listener.Start(error)) << error;

    HANDLE client = CreateFileA(pipe.path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_EQ(GetSecurityInfo(client, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &sd),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr) << "a null DACL would let everyone in";
    ASSERT_EQ(dacl->AceCount, 1);
    void* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, 0, &ace));
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    char* sidText = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidA(const_cast<DWORD*>(&allowed->SidStart), &sidText));
    EXPECT_NE(SimCardEndpoint().find(std::string("-") + sidText), std::string::npos)
        << "the default name and the access rule name the same user: " << SimCardEndpoint();
    LocalFree(sidText);
    LocalFree(sd);
    CloseHandle(client);
}

TEST(SimCardPipe, ClientsTakeTurnsAndOversizedRequestsAreRefusedWhole)
{
    const TestEndpoint pipe;
    SimTunerCard card;
    CSimCardListener listener(card, pipe.path);
    std::string error;
    ASSERT_TRUE(listener.Start(error)) << error;

    // Each client's capture is one burst; the second waits for the busy pipe.
    std::string errors[2];
    bool sent[2] = {false, false};
    std::thread clients[2];
    for (int i = 0; i < 2; ++i)
        clients[i] = std::thread([&, i] { sent[i] = SendToSimCard({560, 20'000}, errors[i], pipe.path); });
    for (std::thread& t : clients)
        t.join();
    EXPECT_TRUE(sent[0]) << errors[0];
    EXPECT_TRUE(sent[1]) << errors[1];
    EXPECT_EQ(card.liveBursts(), 2u);

    std::string reply;
    std::string huge(kMaxRequestBytes + 5000, '#');
    ASSERT_TRUE(SendRawToSimCard(huge, reply, error, pipe.path)) << error;
    EXPECT_EQ(reply, "ERROR request longer than " + std::to_string(kMaxRequestBytes) + " bytes\n");
    ASSERT_TRUE(SendRawToSimCard("", reply, error, pipe.path)) << error;
    EXPECT_EQ(reply.rfind("ERROR not a request of this card", 0), 0u) << reply;
    EXPECT_EQ(card.liveBursts(), 2u) << "a refused request plays nothing";
}
