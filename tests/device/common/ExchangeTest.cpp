#include <gtest/gtest.h>

#include "device/common/Exceptions.h"
#include "device/common/Exchange.h"
#include "device/protocols/legacy/SlotAndRegisterExchanges.h"
#include "device/support/MessageOf.h"
#include "device/support/Scripted.h"

namespace spectro::test {
namespace {

std::vector<std::unique_ptr<ProtocolHint>> controlHints() {
    std::vector<std::unique_ptr<ProtocolHint>> hints;
    hints.push_back(std::make_unique<legacyProtocol::ControlHint>());
    return hints;
}

TEST(ProtocolHints, IdsAndDescriptions) {
    EXPECT_EQ(legacyProtocol::ControlHint().getHintID(), 1000);
    EXPECT_EQ(legacyProtocol::ControlHint().getDescription(), "Control transfer");
    EXPECT_EQ(legacyProtocol::SpectrumHint().getHintID(), 1001);
    EXPECT_EQ(legacyProtocol::SpectrumHint().getDescription(), "Spectrum transfer");
    EXPECT_EQ(framedBinaryProtocol::FBPControlHint().getHintID(), 1000);
    EXPECT_EQ(framedBinaryProtocol::FBPControlHint().getDescription(), "Control transfer");
    EXPECT_EQ(framedBinaryProtocol::FBPSpectrumHint().getHintID(), 1001);
    EXPECT_EQ(framedBinaryProtocol::FBPSpectrumHint().getDescription(), "FBPSpectrum transfer");
}

TEST(Transfer, WriteSendsTheFirstLengthBytesAndReturnsNone) {
    ScriptedTransferHelper helper;
    Transfer write(controlHints(), Bytes{1, 2, 3, 4}, Transfer::TO_DEVICE, 3);
    EXPECT_EQ(write.transfer(helper), nullptr);
    EXPECT_EQ(helper.sent(), std::vector<Bytes>{(Bytes{1, 2, 3})});
}

TEST(Transfer, ShortReadReturnsOnlyWhatArrived) {
    // The rest of the buffer holds an earlier reply, which must not pass for this one.
    ScriptedTransferHelper helper;
    helper.reply({9, 8});
    Transfer read(controlHints(), Bytes{1, 1, 1, 1}, Transfer::FROM_DEVICE, 4);
    auto result = read.transfer(helper);
    auto* bytes = dynamic_cast<ByteVector*>(result.get());
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes->getValues(), (Bytes{9, 8}));
    EXPECT_EQ(read.getReceivedLength(), 2u);
    EXPECT_EQ(read.getBuffer(), (Bytes{9, 8, 1, 1}));
}

TEST(Transfer, BusFailuresBecomeProtocolExceptions) {
    ScriptedTransferHelper helper;
    helper.failAt(0);
    Transfer write(controlHints(), Bytes{1}, Transfer::TO_DEVICE, 1);
    EXPECT_EQ(messageOf([&] { write.transfer(helper); }), "Failed to write to bus.");
    EXPECT_NO_THROW(write.transfer(helper));  // only the first operation was made to fail

    ScriptedTransferHelper reader;
    Transfer read(controlHints(), Bytes{}, Transfer::FROM_DEVICE, 2);
    EXPECT_EQ(messageOf([&] { read.transfer(reader); }), "Failed to read from bus.");
}

TEST(Transfer, InvalidDirectionNeverTouchesTheBus) {
    ScriptedTransferHelper helper;
    Transfer odd(controlHints(), Bytes{1}, 0, 1);
    EXPECT_EQ(messageOf([&] { odd.transfer(helper); }), "Invalid transfer direction specified.");
    EXPECT_TRUE(helper.operations().empty());
}

TEST(Transfer, BufferIsGrownToTheLength) {
    Transfer read(controlHints(), Bytes{}, Transfer::FROM_DEVICE, 5);
    EXPECT_EQ(read.getBuffer().size(), 5u);
    EXPECT_EQ(read.getLength(), 5u);
    EXPECT_EQ(read.getDirection(), Transfer::FROM_DEVICE);
}

TEST(Transaction, HintsAreTheTransfersHintsInOrder) {
    Transaction transaction;
    auto spectrum = std::vector<std::unique_ptr<ProtocolHint>>{};
    spectrum.push_back(std::make_unique<legacyProtocol::SpectrumHint>());
    transaction.addTransfer(std::make_unique<Transfer>(std::move(spectrum), Bytes{1}, 1, 1));
    transaction.addTransfer(std::make_unique<Transfer>(controlHints(), Bytes{}, 2, 1));
    ASSERT_EQ(transaction.getHints().size(), 2u);
    EXPECT_EQ(transaction.getHints()[0]->getHintID(), 1001);
    EXPECT_EQ(transaction.getHints()[1]->getHintID(), 1000);
    EXPECT_EQ(transaction.getHints()[0], transaction.getTransfers()[0]->getHints()[0]);
}

TEST(Transaction, ReturnsTheLastResult) {
    ScriptedTransferHelper helper;
    helper.reply({5});
    helper.reply({6, 7});
    Transaction transaction;
    transaction.addTransfer(std::make_unique<Transfer>(controlHints(), Bytes{}, 2, 1));
    transaction.addTransfer(std::make_unique<Transfer>(controlHints(), Bytes{0xAA}, 1, 1));
    transaction.addTransfer(std::make_unique<Transfer>(controlHints(), Bytes{}, 2, 2));
    auto result = transaction.transfer(helper);
    ASSERT_NE(dynamic_cast<ByteVector*>(result.get()), nullptr);
    EXPECT_EQ(dynamic_cast<ByteVector&>(*result).getValues(), (Bytes{6, 7}));
}

TEST(Transaction, AFailingTransferStopsTheRun) {
    ScriptedTransferHelper helper;
    helper.failAt(0);
    Transaction transaction;
    transaction.addTransfer(std::make_unique<Transfer>(controlHints(), Bytes{1}, 1, 1));
    transaction.addTransfer(std::make_unique<Transfer>(controlHints(), Bytes{2}, 1, 1));
    EXPECT_THROW(transaction.transfer(helper), ProtocolException);
    EXPECT_TRUE(helper.sent().empty());
}

TEST(Bus, GetHelperLooksAtTheFirstHintOnly) {
    ScriptedBus bus;
    ScriptedTransferHelper& spectrumHelper = bus.addScriptedHelper(1001);
    legacyProtocol::SpectrumHint spectrum;
    legacyProtocol::ControlHint control;
    EXPECT_EQ(bus.getHelper({&spectrum, &control}), &spectrumHelper);
    EXPECT_EQ(bus.getHelper({&control, &spectrum}), &bus.helper());
    EXPECT_EQ(bus.getHelper({}), nullptr);
    framedBinaryProtocol::FBPControlHint fbpControl;
    EXPECT_EQ(bus.getHelper({&fbpControl}), &bus.helper());
    EXPECT_EQ(ScriptedBus::withoutHelpers()->getHelper({&control}), nullptr);
}

TEST(RunExchange, NoHelperThrowsTheMismatchMessage) {
    auto bus = ScriptedBus::withoutHelpers();
    FPGARegisterWriteExchange write(0x08, 1);
    EXPECT_EQ(messageOf([&] { runExchange(*bus, write); }),
              "Failed to find a helper to bridge given protocol and bus.");
    EXPECT_THROW(findTransferHelper(*bus, write), ProtocolBusMismatchException);
}

TEST(SlotAndRegisterExchanges, RegisterWriteBytes) {
    ScriptedBus bus;
    FPGARegisterWriteExchange write(0x38, 0x1234);
    EXPECT_EQ(write.getHints().at(0)->getHintID(), 1000);
    EXPECT_EQ(runExchange(bus, write), nullptr);
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x6A, 0x38, 0x34, 0x12})});
}

TEST(SlotAndRegisterExchanges, RegisterReadBytes) {
    ScriptedBus bus;
    bus.helper().reply({0x6B, 0x34, 0x12});
    FPGARegisterReadExchange read(0x04);
    ASSERT_EQ(read.getHints().size(), 2u);
    auto result = runExchange(bus, read);
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x6B, 0x04})});
    EXPECT_EQ(bus.helper().operations().back().length, 3u);
    EXPECT_EQ(dynamic_cast<ByteVector&>(*result).getValues(), (Bytes{0x6B, 0x34, 0x12}));
}

TEST(SlotAndRegisterExchanges, SlotReadBytes) {
    ScriptedBus bus;
    bus.helper().reply(slotReply(3, "abc"));
    ReadEEPROMSlotExchange read(3);
    auto result = runExchange(bus, read);
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{(Bytes{0x05, 0x03})});
    EXPECT_EQ(bus.helper().operations().back().length, 17u);
    EXPECT_EQ(dynamic_cast<ByteVector&>(*result).getValues().size(), 17u);
}

TEST(SlotAndRegisterExchanges, SlotWriteBytes) {
    ScriptedBus bus;
    WriteEEPROMSlotExchange write(17, Bytes{1, 2, 3, 4});
    runExchange(bus, write);
    Bytes expected{0x06, 0x11, 1, 2, 3, 4};
    expected.resize(17, 0);
    EXPECT_EQ(bus.helper().sent(), std::vector<Bytes>{expected});
}

TEST(SlotAndRegisterExchanges, SlotWriteOfSixteenBytesIsRefusedBeforeSending) {
    EXPECT_THROW(WriteEEPROMSlotExchange(1, Bytes(16, 1)), std::out_of_range);
    EXPECT_EQ(messageOf([] { WriteEEPROMSlotExchange(1, Bytes(16, 1)); }),
              "invalid vector subscript");
    EXPECT_NO_THROW(WriteEEPROMSlotExchange(1, Bytes(15, 1)));
}

}  // namespace
}  // namespace spectro::test
