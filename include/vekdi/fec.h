/* SPDX-License-Identifier: Apache-2.0 */
/*
 * libvekdi-fec: the Reed-Solomon functions of libfec's interface, so that a
 * program written for libfec builds against vekdi unchanged
 * (pkg-config vekdi-fec puts this header first on the include path).
 *
 * Codes: RS over GF(2^symsize), symsize 1 ... 8, with the field generator
 * gfpoly (a primitive polynomial including its x^symsize term), generator
 * roots alpha^(prim * (fcr + i)), i = 0 ... nroots - 1, and `pad` leading
 * zero symbols left out: a block holds NN - pad symbols (NN = 2^symsize - 1),
 * the NN - nroots - pad data symbols followed by the nroots parity symbols.
 * Parity bytes are those of libfec for every parameter set.
 *
 * Decoding: eras_pos holds no_eras erasure positions in the block (0 ...
 * NN - pad - 1) and room for nroots entries, or is NULL when no_eras is 0
 * (then no positions are listed). It returns the number of symbols it
 * changed and lists their positions in eras_pos, or -1. It
 * succeeds only with a codeword within the correction radius of the
 * received word (2 * errors + erasures <= nroots); otherwise it returns -1
 * and leaves the block and eras_pos untouched, where libfec may hand back a
 * word that is not the sent codeword. Erasure positions outside the block,
 * more erasures than nroots, and symbols at or above 2^symsize also give -1.
 *
 * Differences from libfec, by design:
 * - init_rs_int accepts symsize up to 8 only (libfec goes to 16); larger
 *   symbols return NULL like any invalid parameter.
 * - init_rs_char and init_rs_int return NULL for a gfpoly that is not
 *   primitive (libfec accepts some, such as 0x11B, and then fails to
 *   decode) and for a prim that is not coprime to NN.
 * - encode_rs_int reads symbols modulo 2^symsize.
 * - The basis conversion tables of libfec's CCSDS code are not exported;
 *   encode_rs_ccsds and decode_rs_ccsds convert internally.
 *
 * Code objects are read-only after init_rs_* and may be used by any number
 * of threads at once.
 */
#ifndef VEKDI_FEC_H
#define VEKDI_FEC_H

#ifdef __cplusplus
extern "C" {
#endif

/* Any code, 8-bit symbols. */
void* init_rs_char(int symsize, int gfpoly, int fcr, int prim, int nroots, int pad);
void free_rs_char(void* rs);
void encode_rs_char(void* rs, unsigned char* data, unsigned char* parity);
int decode_rs_char(void* rs, unsigned char* data, int* eras_pos, int no_eras);

/* Any code, symbols in unsigned ints (of at most 8 bits here). */
void* init_rs_int(int symsize, int gfpoly, int fcr, int prim, int nroots, int pad);
void free_rs_int(void* rs);
void encode_rs_int(void* rs, unsigned int* data, unsigned int* parity);
int decode_rs_int(void* rs, unsigned int* data, int* eras_pos, int no_eras);

/* CCSDS (255, 223): gfpoly 0x187, fcr 112, prim 11, nroots 32, in the
 * conventional basis; pad 0 ... 222 shortens it. */
void encode_rs_8(unsigned char* data, unsigned char* parity, int pad);
int decode_rs_8(unsigned char* data, int* eras_pos, int no_eras, int pad);

/* The same code with its symbols in the CCSDS dual basis. */
void encode_rs_ccsds(unsigned char* data, unsigned char* parity, int pad);
int decode_rs_ccsds(unsigned char* data, int* eras_pos, int no_eras, int pad);

#ifdef __cplusplus
}
#endif

#endif /* VEKDI_FEC_H */
