// The physics of the simulated receiver: S/N at the demodulator from the noise generator, the
// BER before Viterbi, before and after Reed-Solomon per mode with an implementation loss, the
// transport bit rate, and where frame sync is lost.
#pragma once

#include "simdriver/receiver_state.h"

namespace tarvos::sim {

enum class BerPoint { BeforeViterbi, BeforeRs, AfterRs };

// S/N - C/N in dB: the same relation the program uses (roll-off, SAW filter and symbol rate in
// the QAM modes, fixed factors for DVB-T and ATSC).
double SnrOffsetDb(const ReceiverState& s);
// S/N at the demodulator: C/N + offset with the generator on, `signalSnr` with it off.
double DemodulatorSnr(const ReceiverState& s, double signalSnr);
// Uncoded BER of the modulation at `snrDb` (Gray-coded square QAM with the exact erfc; 32- and
// 128-QAM cross constellations; 8-VSB as 8-level PAM).
double UncodedBer(const ReceiverState& s, double snrDb);
// The BER at a measuring point with `lossDb` implementation loss; 0 <= result <= 0.5.
double BerAt(const ReceiverState& s, double snrDb, double lossDb, BerPoint point);
// BER after RS(204,188) decoding (t = 8 byte errors corrected) of a channel BER.
double ReedSolomonOutputBer(double inputBer);
// Bits per second the BER counter counts.
double TransportBitRate(const ReceiverState& s);
// Whether frame (and MPEG transport stream) sync holds at `snrDb`.
bool SyncHolds(const ReceiverState& s, double snrDb, double lossDb);

}  // namespace tarvos::sim
