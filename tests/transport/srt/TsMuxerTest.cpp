#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "TsTestReader.h"
#include "transport/srt/Crc32Mpeg.h"
#include "transport/srt/TsMuxer.h"

namespace {

using relaycaster::TsMuxer;
using Bytes = std::vector<uint8_t>;

// Bit-by-bit CRC-32/MPEG-2, written from the definition (no table).
uint32_t referenceCrc(const uint8_t* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    for (int bit = 7; bit >= 0; --bit) {
      const bool in = ((data[i] >> bit) & 1) != 0;
      const bool top = (crc >> 31) != 0;
      crc <<= 1;
      if (in != top) crc ^= 0x04C11DB7u;
    }
  }
  return crc;
}

Bytes withCrc(Bytes section) {
  const uint32_t crc = referenceCrc(section.data(), section.size());
  for (int shift = 24; shift >= 0; shift -= 8) section.push_back(static_cast<uint8_t>(crc >> shift));
  return section;
}

Bytes built(size_t (*build)(uint8_t*)) {
  uint8_t out[183];
  return Bytes(out, out + build(out));
}

Bytes builtPmt(bool pcm) {
  uint8_t out[183];
  return Bytes(out, out + TsMuxer::buildPmt(pcm, out));
}

Bytes builtSdt(const std::string& provider, const std::string& service) {
  uint8_t out[183];
  return Bytes(out, out + TsMuxer::buildSdt(provider, service, out));
}

Bytes expectedSdt(const std::string& provider, const std::string& service) {
  const size_t p = provider.size(), s = service.size();
  const size_t length = 21 + p + s + 1;
  Bytes b = {0x42, static_cast<uint8_t>(0xF0 | (length >> 8)), static_cast<uint8_t>(length), 0x00, 0x01, 0xC1,
             0x00, 0x00, 0x00, 0x01, 0xFF, 0x00, 0x01, 0xFC, static_cast<uint8_t>(0x80 | ((p + s + 5) >> 8)),
             static_cast<uint8_t>(p + s + 5), 0x48, static_cast<uint8_t>(p + s + 3), 0x02, static_cast<uint8_t>(p)};
  b.insert(b.end(), provider.begin(), provider.end());
  b.push_back(static_cast<uint8_t>(s));
  b.insert(b.end(), service.begin(), service.end());
  return withCrc(b);
}

TEST(Crc32Mpeg, MatchesBitwiseDefinitionAndKnownValues) {
  const std::string check = "123456789";
  EXPECT_EQ(relaycaster::crc32Mpeg(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x0376E6E7u);
  EXPECT_EQ(relaycaster::crc32Mpeg(nullptr, 0), 0xFFFFFFFFu);
  std::mt19937 random(7);
  for (size_t size : {1u, 2u, 3u, 17u, 183u, 1000u}) {
    Bytes data(size);
    for (uint8_t& b : data) b = static_cast<uint8_t>(random());
    EXPECT_EQ(relaycaster::crc32Mpeg(data.data(), size), referenceCrc(data.data(), size)) << size;
  }
}

TEST(TsTables, PatIsByteExact) {
  const Bytes pat = built(&TsMuxer::buildPat);
  EXPECT_EQ(pat, (Bytes{0x00, 0xB0, 0x0D, 0x00, 0x01, 0xC1, 0x00, 0x00, 0x00, 0x01, 0xF0, 0x00, 0x2A, 0xB1, 0x04,
                        0xB2}));
  EXPECT_EQ(pat, withCrc(Bytes(pat.begin(), pat.end() - 4)));
  EXPECT_EQ(relaycaster::crc32Mpeg(pat.data(), pat.size()), 0u);  // a section with its CRC checks to 0
}

TEST(TsTables, PmtForPcmAndAacIsByteExact) {
  const Bytes pcm = builtPmt(true);
  EXPECT_EQ(pcm, withCrc({0x02, 0xB0, 0x18, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x00, 0x06, 0xE1, 0x00,
                          0xF0, 0x06, 0x05, 0x04, 0x42, 0x53, 0x53, 0x44}));
  EXPECT_EQ(pcm.size(), 27u);
  EXPECT_EQ(Bytes(pcm.end() - 4, pcm.end()), (Bytes{0xA8, 0x1B, 0xAA, 0xF5}));
  const Bytes aac = builtPmt(false);
  EXPECT_EQ(aac, withCrc({0x02, 0xB0, 0x12, 0x00, 0x01, 0xC1, 0x00, 0x00, 0xE1, 0x00, 0xF0, 0x00, 0x0F, 0xE1, 0x00,
                          0xF0, 0x00}));
  EXPECT_EQ(aac.size(), 21u);
  EXPECT_EQ(Bytes(aac.end() - 4, aac.end()), (Bytes{0xB6, 0x9B, 0xC0, 0xD9}));
}

TEST(TsTables, SdtCarriesProviderAndServiceNames) {
  EXPECT_EQ(builtSdt("Brightwold", ""), expectedSdt("Brightwold", ""));
  EXPECT_EQ(builtSdt("Brightwold", "Vocals"), expectedSdt("Brightwold", "Vocals"));
  // Names are bytes as given (UTF-8 here), without a character-table prefix.
  EXPECT_EQ(builtSdt("Brightwold", "Bässe 2"), expectedSdt("Brightwold", "Bässe 2"));
  const std::string longName(100, 'n');
  EXPECT_EQ(builtSdt("Brightwold", longName), expectedSdt("Brightwold", longName.substr(0, 80)));
  const std::string longProvider(50, 'p');
  EXPECT_EQ(builtSdt(longProvider, "x"), expectedSdt(longProvider.substr(0, 40), "x"));

  const Bytes empty = builtSdt("Brightwold", "");
  EXPECT_EQ(empty.size(), 21u + 10u + 4u);
  EXPECT_EQ(empty[2], 21 + 10 + 1);
  EXPECT_EQ(empty[30], 0);  // zero-length service name
}

TEST(TsTimestamps, PtsAndPcrFieldsFollowTheBitLayout) {
  uint8_t pts[5];
  TsMuxer::writePts(9000, pts);
  EXPECT_EQ(Bytes(pts, pts + 5), (Bytes{0x21, 0x00, 0x01, 0x46, 0x51}));
  TsMuxer::writePts(0x1FFFFFFFFull, pts);
  EXPECT_EQ(Bytes(pts, pts + 5), (Bytes{0x2F, 0xFF, 0xFF, 0xFF, 0xFF}));
  TsMuxer::writePts((uint64_t{1} << 33) + 5, pts);  // wraps modulo 2^33
  EXPECT_EQ(tstest::readTimestamp(pts), 5u);
  std::mt19937_64 random(3);
  for (int i = 0; i < 100; ++i) {
    const uint64_t value = random() & ((uint64_t{1} << 33) - 1);
    TsMuxer::writePts(value, pts);
    EXPECT_EQ(tstest::readTimestamp(pts), value);
    EXPECT_EQ(pts[0] & 0xF1, 0x21);  // '0010' prefix and marker bits
    EXPECT_EQ(pts[2] & 1, 1);
    EXPECT_EQ(pts[4] & 1, 1);
  }

  uint8_t packet[188] = {0x47, 0x01, 0x00, 0x30, 7, 0x10};
  TsMuxer::writePcr(0, packet + 6);
  EXPECT_EQ(Bytes(packet + 6, packet + 12), (Bytes{0x00, 0x00, 0x00, 0x00, 0x7E, 0x00}));
  TsMuxer::writePcr(0x1FFFFFFFFull, packet + 6);
  EXPECT_EQ(Bytes(packet + 6, packet + 12), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x00}));
  for (int i = 0; i < 100; ++i) {
    const uint64_t value = random() & ((uint64_t{1} << 33) - 1);
    TsMuxer::writePcr(value, packet + 6);
    EXPECT_EQ(*tstest::parsePacket(packet).pcr, value * 300);
  }
}

// Drives the muxer directly with access units whose bytes count up, so
// every reassembled payload can be checked.
class MuxerFixture : public ::testing::Test {
 protected:
  void SetUp() override { muxer.reset(true, "Test"); }

  void write(size_t size, uint64_t t) {
    Bytes unit(size);
    for (size_t i = 0; i < size; ++i) unit[i] = static_cast<uint8_t>(i * 7 + units);
    ++units;
    sent.push_back(unit);
    muxer.writeAccessUnit(unit.data(), unit.size(), t, stream);
  }

  TsMuxer muxer;
  tstest::CapturedStream stream;
  std::vector<Bytes> sent;
  int units = 0;
};

TEST_F(MuxerFixture, FirstMessageStartsWithTablesThenPesWithPcrZero) {
  write(3364, 0);
  ASSERT_EQ(stream.sizes.size(), 3u);  // 3 table packets + 19 PES packets = 22: three messages, one packet waits
  EXPECT_EQ(muxer.pendingBytes(), 188u);
  const uint8_t* p = stream.packet(0);
  EXPECT_EQ(Bytes(p, p + 5), (Bytes{0x47, 0x40, 0x00, 0x10, 0x00}));  // PAT
  EXPECT_EQ(Bytes(p + 5, p + 21), built(&TsMuxer::buildPat));
  EXPECT_EQ(p[21], 0xFF);
  EXPECT_EQ(p[187], 0xFF);
  p = stream.packet(1);
  EXPECT_EQ(Bytes(p, p + 5), (Bytes{0x47, 0x50, 0x00, 0x10, 0x00}));  // PMT
  EXPECT_EQ(Bytes(p + 5, p + 32), builtPmt(true));
  p = stream.packet(2);
  EXPECT_EQ(Bytes(p, p + 5), (Bytes{0x47, 0x40, 0x11, 0x10, 0x00}));  // SDT
  EXPECT_EQ(Bytes(p + 5, p + 5 + 39), expectedSdt("Brightwold", "Test"));

  p = stream.packet(3);
  EXPECT_EQ(Bytes(p, p + 12), (Bytes{0x47, 0x41, 0x00, 0x30, 0x07, 0x10, 0x00, 0x00, 0x00, 0x00, 0x7E, 0x00}));
  // PES header: private_stream_1, length 3372, PTS 9000.
  EXPECT_EQ(Bytes(p + 12, p + 26), (Bytes{0x00, 0x00, 0x01, 0xBD, 0x0D, 0x2C, 0x84, 0x80, 0x05, 0x21, 0x00, 0x01,
                                         0x46, 0x51}));
}

// Closing a connection on purpose: the packets that wait become one whole
// message with null packets behind them, so the last PES leaves complete.
TEST_F(MuxerFixture, FinishingAMessagePadsThePendingPacketsWithNullPackets) {
  write(3364, 0);  // 22 packets: three messages sent, one packet waits
  write(3364, 900);  // 19 more: 41, so five messages sent and six packets wait
  ASSERT_EQ(stream.sizes.size(), 5u);
  ASSERT_EQ(muxer.pendingBytes(), 6u * 188u);
  muxer.finishMessage(stream);
  ASSERT_EQ(stream.sizes.size(), 6u);
  EXPECT_EQ(stream.sizes.back(), 1316);
  EXPECT_EQ(muxer.pendingBytes(), 0u);
  const uint8_t* last = stream.packet(stream.packetCount() - 1);
  EXPECT_EQ(Bytes(last, last + 4), (Bytes{0x47, 0x1F, 0xFF, 0x10}));
  EXPECT_TRUE(std::all_of(last + 4, last + 188, [](uint8_t b) { return b == 0xFF; }));
  EXPECT_EQ(tstest::parsePacket(stream.packet(stream.packetCount() - 2)).pid, 0x0100);  // the PES's last packet
  // Both access units come back whole, the second from the padded message.
  const auto pes = tstest::collectPes(stream.bytes);
  ASSERT_EQ(pes.size(), 2u);
  EXPECT_EQ(pes[1].payload, sent[1]);
  // Nothing waits any more: a second finish sends only the messages of
  // null packets asked for, and the audio PID's continuity goes on where it was.
  muxer.finishMessage(stream);
  EXPECT_EQ(stream.sizes.size(), 6u);
  muxer.finishMessage(stream, 2);
  ASSERT_EQ(stream.sizes.size(), 8u);
  for (size_t i = 42; i < 56; ++i) EXPECT_EQ(tstest::parsePacket(stream.packet(i)).pid, 0x1FFF) << i;
  write(3364, 1800);
  const tstest::Packet next = tstest::parsePacket(stream.packet(56));
  EXPECT_EQ(next.pid, 0x0100);
  EXPECT_EQ(next.continuity, 38 % 16);
}

TEST_F(MuxerFixture, PesReassemblesAndPadsWithStuffing) {
  for (size_t size : {3364u, 1u, 100u, 169u, 170u, 176u, 360u, 700u}) write(size, 0);
  const Bytes pending(stream.bytes);  // whole messages only
  const auto pes = tstest::collectPes(pending);
  ASSERT_GE(pes.size(), 7u);
  for (size_t i = 0; i + 1 < pes.size(); ++i) {
    EXPECT_EQ(pes[i].payload, sent[i]) << i;
    EXPECT_EQ(pes[i].declaredLength, static_cast<int>(sent[i].size() + 8));
  }
  // Every audio packet is full: header, adaptation field and payload make 188.
  for (size_t i = 0; i < stream.packetCount(); ++i) {
    const tstest::Packet packet = tstest::parsePacket(stream.packet(i));
    ASSERT_TRUE(packet.sync);
    if (packet.hasAdaptation) {
      ASSERT_LE(packet.payloadOffset, 188);
      for (int b = packet.pcr ? 12 : 6; b < packet.payloadOffset; ++b) EXPECT_EQ(stream.packet(i)[b], 0xFF);
    }
  }
}

TEST_F(MuxerFixture, ExactlyOneStuffingByteIsTheLengthByteAlone) {
  // With a PCR the first packet carries 176 bytes; 14 + 345 = 176 + 183
  // leaves 183 for the second packet: one byte to pad.
  write(345, 0);
  // Without a PCR (t = 100 < 3600): 14 + 353 = 184 + 183.
  write(353, 100);
  while (muxer.pendingBytes() != 0) write(1, 200);  // flush into whole messages
  const size_t secondOfFirst = 3 + 1;
  const uint8_t* p = stream.packet(secondOfFirst);
  EXPECT_EQ(p[1], 0x01);
  EXPECT_EQ(p[3] & 0xF0, 0x30);
  EXPECT_EQ(p[4], 0x00);
  EXPECT_EQ(Bytes(p + 5, p + 188), Bytes(sent[0].end() - 183, sent[0].end()));
  const uint8_t* q = stream.packet(secondOfFirst + 2);
  EXPECT_FALSE(tstest::parsePacket(q - 188).pcr.has_value());
  EXPECT_EQ(q[3] & 0xF0, 0x30);
  EXPECT_EQ(q[4], 0x00);
  EXPECT_EQ(Bytes(q + 5, q + 188), Bytes(sent[1].end() - 183, sent[1].end()));
}

TEST_F(MuxerFixture, ContinuityCountersRunPerPidAndRestartOnReset) {
  for (int i = 0; i < 40; ++i) write(3364, static_cast<uint64_t>(i) * 900);
  std::vector<int> expected(0x2000, 0);
  for (size_t i = 0; i < stream.packetCount(); ++i) {
    const tstest::Packet packet = tstest::parsePacket(stream.packet(i));
    EXPECT_EQ(packet.continuity, expected[static_cast<size_t>(packet.pid)]) << "packet " << i << " pid " << packet.pid;
    expected[static_cast<size_t>(packet.pid)] = (packet.continuity + 1) & 15;
  }
  EXPECT_GT(expected[0x0100] + expected[0x0000], 0);
  muxer.reset(false, "Test");
  stream.clear();
  for (int i = 0; i < 3; ++i) write(400, static_cast<uint64_t>(i) * 1920);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(tstest::parsePacket(stream.packet(i)).continuity, 0);
  EXPECT_EQ(stream.packet(3)[12 + 3], 0xC0);  // AAC PES stream_id after the reset
}

TEST_F(MuxerFixture, TablesEvery100msAndPcrEvery40msOfStreamTime) {
  std::vector<uint64_t> times;
  for (uint64_t t = 0; t < 90000; t += 1920) times.push_back(t);  // AAC-like spacing
  for (uint64_t t : times) write(300, t);
  while (muxer.pendingBytes() != 0) write(1, times.back());
  std::vector<uint64_t> patTimes, pcrTimes;
  uint64_t lastPts = 0;
  for (size_t i = 0; i < stream.packetCount(); ++i) {
    const tstest::Packet packet = tstest::parsePacket(stream.packet(i));
    if (packet.pid == 0) {
      // The tables stand immediately before the PES they belong to.
      const tstest::Packet pes = tstest::parsePacket(stream.packet(i + 3));
      ASSERT_TRUE(pes.unitStart);
      patTimes.push_back(tstest::readTimestamp(stream.packet(i + 3) + pes.payloadOffset + 9) - 9000);
    }
    if (packet.pid == 0x100 && packet.unitStart) lastPts = tstest::readTimestamp(stream.packet(i) + packet.payloadOffset + 9);
    if (packet.pcr) {
      EXPECT_EQ(*packet.pcr % 300, 0u);
      EXPECT_EQ(*packet.pcr / 300 + 9000, lastPts);  // PCR = t, PTS = t + 9000
      pcrTimes.push_back(*packet.pcr / 300);
    }
  }
  std::vector<uint64_t> expectedPat, expectedPcr;
  for (uint64_t t : times) {
    if (expectedPat.empty() || t >= expectedPat.back() + 9000) expectedPat.push_back(t);
    if (expectedPcr.empty() || t >= expectedPcr.back() + 3600) expectedPcr.push_back(t);
  }
  EXPECT_EQ(std::vector<uint64_t>(patTimes.begin(), patTimes.begin() + static_cast<long>(expectedPat.size())), expectedPat);
  EXPECT_EQ(std::vector<uint64_t>(pcrTimes.begin(), pcrTimes.begin() + static_cast<long>(expectedPcr.size())), expectedPcr);
}

}  // namespace
