// Built-in operation code table image.
//
// The bytes are generated at build time by optgen from optable.tab and have
// exactly the layout of the table file vorn.opt (magic "OPV1200", permutation
// tables, operation code entries, operand descriptors).  The loader reads
// either this image or the file; nothing else should depend on the bytes.
#ifndef VORN_OPTIMAGE_H
#define VORN_OPTIMAGE_H

extern const unsigned char g_abOptImage[];
extern const unsigned long g_ulOptImageSize;

#endif
