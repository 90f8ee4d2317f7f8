// Every machine instruction that GNU binutils knows is assembled in-process
// and by s390x-linux-gnu-as, and the bytes must agree.  The others (vector
// facility, S/370 I/O and channel, 4300 ECPS:VSE mode) are checked against
// one hand-written table of statements and their expected bytes.  For the
// binutils part, operand forms come from the Principles-of-Operation operand
// list of each entry of core/optable/optable.tab; the encoder's descriptors
// only pick values an operand accepts (even or floating point registers).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "coretest.h"
#include "opt.h"

namespace {

struct ROW {
  std::string strName, strSkel, strFormat, strOperands, strSource;
  unsigned uLength = 0;
  std::vector<unsigned> auDescs;
};

std::vector<ROW> vRows()
{
  std::vector<ROW> a;
  std::ifstream in(std::string(VORN_TEST_DIR) + "/../core/optable/optable.tab");
  for (std::string strLine, strKind, strLevel, strDescs, strRegs; std::getline(in, strLine);) {
    std::istringstream s(strLine.substr(0, strLine.find('#')));
    ROW r;
    if (!(s >> strKind) || strKind != "mach") continue;
    s >> r.strName >> r.strSkel >> r.uLength >> strLevel >> strDescs >> strRegs >> r.strFormat >> r.strOperands >>
        r.strSource;
    std::istringstream d(strDescs == "-" ? "" : strDescs);
    for (std::string str; std::getline(d, str, ',');) r.auDescs.push_back(static_cast<unsigned>(std::stoul(str)));
    a.push_back(r);
  }
  return a;
}

/* The instructions GNU binutils does not know, one statement each with the
   bytes it must make, written by hand (not from optable.tab) from the
   documented opcodes and instruction formats: the vector facility (opcodes
   A4xx-A6xx, E4xx; the IBM vector operations manuals), the System/370 I/O,
   channel and storage-key instructions (System/370 Principles of Operation)
   and the two 4300 ECPS:VSE-mode page instructions with a known opcode (4300
   Principles of Operation for ECPS:VSE mode).  Field layouts (bytes from 0,
   h/l = high or low half of the byte):
     RR  R1 1h, R2 1l;  SI  I2 byte 1, B1 D1 bytes 2-3;  S  B2 D2 bytes 2-3;
     RRE GR1 3h;  VS  RS2 3l;
     VST, QST  VR3/QR3 2h, RT2 2l, VR1/M1 3h, RS2 3l;
     VV, QV  VR3/QR3 2h, VR1/M1 3h, VR2 3l;  VR  QR3 2h, VR1 3h, GR2 3l;
     RSE (6 bytes)  VR3/GR3 2h, VR1 3h, B2 D2 bytes 4-5.
   Operands are nonzero and different from each other; long (D) forms take
   even vector registers, E and D forms a floating point register as QR3,
   compare masks are even, and VRRS, VRSV, VRSVC and VLBIX take an even
   general register.  Alias mnemonics (VL and VLE ...) share their opcode.
   TMHH and TMHL, the z/Architecture names of the test-under-mask family,
   follow RI: A7, R1 1h, opcode extension 1l, I2 bytes 2-3 (GNU as knows
   them only in z/Architecture mode). */
struct HAND {
  const char *pszSource, *pszBytes;
};
const HAND c_aHand[] = {
    {"CLRCH X'123'(11)", "9F01B123"},         /* S D2(B2) */
    {"CLRIO X'123'(11)", "9D01B123"},         /* S D2(B2) */
    {"CLRP X'123'(11)", "B215B123"},          /* S D2(B2) */
    {"CONCS X'123'(11)", "B200B123"},         /* S D2(B2) */
    {"DCTP X'123'(11)", "B21CB123"},          /* S D2(B2) */
    {"DISCS X'123'(11)", "B201B123"},         /* S D2(B2) */
    {"HDV X'123'(11)", "9E01B123"},           /* S D2(B2) */
    {"HIO X'123'(11)", "9E00B123"},           /* S D2(B2) */
    {"ISK 3,5", "0935"},                      /* RR R1,R2 */
    {"RDD X'123'(11),X'AB'", "85ABB123"},     /* SI D1(B1),I2 */
    {"RIO X'123'(11)", "9C02B123"},           /* S D2(B2) */
    {"RRB X'123'(11)", "B213B123"},           /* S D2(B2) */
    {"SIO X'123'(11)", "9C00B123"},           /* S D2(B2) */
    {"SIOF X'123'(11)", "9C01B123"},          /* S D2(B2) */
    {"SSK 3,5", "0835"},                      /* RR R1,R2 */
    {"STIDC X'123'(11)", "B203B123"},         /* S D2(B2) */
    {"TCH X'123'(11)", "9F00B123"},           /* S D2(B2) */
    {"TIO X'123'(11)", "9D00B123"},           /* S D2(B2) */
    {"TMHH 3,X'8001'", "A7328001"},           /* RI R1,I2 */
    {"TMHL 3,X'8001'", "A7338001"},           /* RI R1,I2 */
    {"VA 3,5,7(9)", "A4205937"},              /* VST VR1,VR3,RS2(RT2) */
    {"VACD 6,7(9)", "A4170967"},              /* VST VR1,RS2(RT2) */
    {"VACDR 6,10", "A517006A"},               /* VV VR1,VR2 */
    {"VACE 3,7(9)", "A4070937"},              /* VST VR1,RS2(RT2) */
    {"VACER 3,12", "A507003C"},               /* VV VR1,VR2 */
    {"VACRS X'123'(11)", "A6CBB123"},         /* S D2(B2) */
    {"VACSV X'123'(11)", "A6CAB123"},         /* S D2(B2) */
    {"VAD 6,2,7(9)", "A4102967"},             /* VST VR1,VR3,RS2(RT2) */
    {"VADQ 6,4,10", "A590406A"},              /* QV VR1,QR3,VR2 */
    {"VADR 6,2,10", "A510206A"},              /* VV VR1,VR3,VR2 */
    {"VADS 6,4,7(9)", "A4904967"},            /* QST VR1,QR3,RS2(RT2) */
    {"VAE 3,5,7(9)", "A4005937"},             /* VST VR1,VR3,RS2(RT2) */
    {"VAEQ 3,4,12", "A580403C"},              /* QV VR1,QR3,VR2 */
    {"VAER 3,5,12", "A500503C"},              /* VV VR1,VR3,VR2 */
    {"VAES 3,4,7(9)", "A4804937"},            /* QST VR1,QR3,RS2(RT2) */
    {"VAQ 3,5,12", "A5A0503C"},               /* QV VR1,QR3,VR2 */
    {"VAR 3,5,12", "A520503C"},               /* VV VR1,VR3,VR2 */
    {"VAS 3,5,7(9)", "A4A05937"},             /* QST VR1,QR3,RS2(RT2) */
    {"VC 6,5,7(9)", "A4285967"},              /* VST M1,VR3,RS2(RT2) */
    {"VCD 6,2,7(9)", "A4182967"},             /* VST M1,VR3,RS2(RT2) */
    {"VCDQ 6,4,10", "A598406A"},              /* QV M1,QR3,VR2 */
    {"VCDR 6,2,10", "A518206A"},              /* VV M1,VR3,VR2 */
    {"VCDS 6,4,7(9)", "A4984967"},            /* QST M1,QR3,RS2(RT2) */
    {"VCE 6,5,7(9)", "A4085967"},             /* VST M1,VR3,RS2(RT2) */
    {"VCEQ 6,4,12", "A588406C"},              /* QV M1,QR3,VR2 */
    {"VCER 6,5,12", "A508506C"},              /* VV M1,VR3,VR2 */
    {"VCES 6,4,7(9)", "A4884967"},            /* QST M1,QR3,RS2(RT2) */
    {"VCOVM 3", "A6430030"},                  /* RRE GR1 */
    {"VCQ 6,5,12", "A5A8506C"},               /* QV M1,QR3,VR2 */
    {"VCR 6,5,12", "A528506C"},               /* VV M1,VR3,VR2 */
    {"VCS 6,5,7(9)", "A4A85967"},             /* QST M1,QR3,RS2(RT2) */
    {"VCVM", "A6410000"},                     /* RRE */
    {"VCZVM 3", "A6420030"},                  /* RRE GR1 */
    {"VDD 6,2,7(9)", "A4132967"},             /* VST VR1,VR3,RS2(RT2) */
    {"VDDQ 6,4,10", "A593406A"},              /* QV VR1,QR3,VR2 */
    {"VDDR 6,2,10", "A513206A"},              /* VV VR1,VR3,VR2 */
    {"VDDS 6,4,7(9)", "A4934967"},            /* QST VR1,QR3,RS2(RT2) */
    {"VDE 3,5,7(9)", "A4035937"},             /* VST VR1,VR3,RS2(RT2) */
    {"VDEQ 3,4,12", "A583403C"},              /* QV VR1,QR3,VR2 */
    {"VDER 3,5,12", "A503503C"},              /* VV VR1,VR3,VR2 */
    {"VDES 3,4,7(9)", "A4834937"},            /* QST VR1,QR3,RS2(RT2) */
    {"VL 3,7(9)", "A4090937"},                /* VST VR1,RS2(RT2) */
    {"VLBIX 3,6,X'123'(11)", "E4286030B123"}, /* RSE VR1,GR3,D2(B2) */
    {"VLCDR 6,10", "A552006A"},               /* VV VR1,VR2 */
    {"VLCER 3,12", "A542003C"},               /* VV VR1,VR2 */
    {"VLCR 3,12", "A562003C"},                /* VV VR1,VR2 */
    {"VLCVM 7", "A6810007"},                  /* VS RS2 */
    {"VLD 6,7(9)", "A4190967"},               /* VST VR1,RS2(RT2) */
    {"VLDQ 6,4", "A5994060"},                 /* QV VR1,QR3 */
    {"VLDR 6,10", "A519006A"},                /* VV VR1,VR2 */
    {"VLE 3,7(9)", "A4090937"},               /* VST VR1,RS2(RT2) */
    {"VLEL 3,5,8", "A6285038"},               /* VR VR1,QR3,GR2 */
    {"VLELD 6,4,8", "A6184068"},              /* VR VR1,QR3,GR2 */
    {"VLELE 3,4,8", "A6084038"},              /* VR VR1,QR3,GR2 */
    {"VLEQ 3,4", "A5894030"},                 /* QV VR1,QR3 */
    {"VLER 3,12", "A509003C"},                /* VV VR1,VR2 */
    {"VLH 3,7(9)", "A4290937"},               /* VST VR1,RS2(RT2) */
    {"VLI 3,5,X'123'(11)", "E4005030B123"},   /* RSE VR1,VR3,D2(B2) */
    {"VLID 6,5,X'123'(11)", "E4105060B123"},  /* RSE VR1,VR3,D2(B2) */
    {"VLIE 3,5,X'123'(11)", "E4005030B123"},  /* RSE VR1,VR3,D2(B2) */
    {"VLM 3,7(9)", "A40A0937"},               /* VST VR1,RS2(RT2) */
    {"VLMD 6,7(9)", "A41A0967"},              /* VST VR1,RS2(RT2) */
    {"VLMDQ 6,4", "A59A4060"},                /* QV VR1,QR3 */
    {"VLMDR 6,10", "A51A006A"},               /* VV VR1,VR2 */
    {"VLME 3,7(9)", "A40A0937"},              /* VST VR1,RS2(RT2) */
    {"VLMEQ 3,4", "A58A4030"},                /* QV VR1,QR3 */
    {"VLMER 3,12", "A50A003C"},               /* VV VR1,VR2 */
    {"VLMQ 3,5", "A5AA5030"},                 /* QV VR1,QR3 */
    {"VLMR 3,12", "A50A003C"},                /* VV VR1,VR2 */
    {"VLNDR 6,10", "A551006A"},               /* VV VR1,VR2 */
    {"VLNER 3,12", "A541003C"},               /* VV VR1,VR2 */
    {"VLNR 3,12", "A561003C"},                /* VV VR1,VR2 */
    {"VLPDR 6,10", "A550006A"},               /* VV VR1,VR2 */
    {"VLPER 3,12", "A540003C"},               /* VV VR1,VR2 */
    {"VLPR 3,12", "A560003C"},                /* VV VR1,VR2 */
    {"VLQ 3,5", "A5A95030"},                  /* QV VR1,QR3 */
    {"VLR 3,12", "A509003C"},                 /* VV VR1,VR2 */
    {"VLVCA X'123'(11)", "A6C4B123"},         /* S D2(B2) */
    {"VLVCU 3", "A6450030"},                  /* RRE GR1 */
    {"VLVM 7", "A6800007"},                   /* VS RS2 */
    {"VLVXA X'123'(11)", "A6C7B123"},         /* S D2(B2) */
    {"VLY 3,7(9)", "A40B0937"},               /* VST VR1,RS2(RT2) */
    {"VLYD 6,7(9)", "A41B0967"},              /* VST VR1,RS2(RT2) */
    {"VLYE 3,7(9)", "A40B0937"},              /* VST VR1,RS2(RT2) */
    {"VLZDR 6", "A51B0060"},                  /* VV VR1 */
    {"VLZER 3", "A50B0030"},                  /* VV VR1 */
    {"VLZR 3", "A50B0030"},                   /* VV VR1 */
    {"VM 3,5,7(9)", "A4225937"},              /* VST VR1,VR3,RS2(RT2) */
    {"VMAD 6,2,7(9)", "A4142967"},            /* VST VR1,VR3,RS2(RT2) */
    {"VMADQ 6,4,10", "A594406A"},             /* QV VR1,QR3,VR2 */
    {"VMADS 6,4,7(9)", "A4944967"},           /* QST VR1,QR3,RS2(RT2) */
    {"VMAE 3,5,7(9)", "A4045937"},            /* VST VR1,VR3,RS2(RT2) */
    {"VMAEQ 3,4,12", "A584403C"},             /* QV VR1,QR3,VR2 */
    {"VMAES 3,4,7(9)", "A4844937"},           /* QST VR1,QR3,RS2(RT2) */
    {"VMCD 6,2,7(9)", "A4162967"},            /* VST VR1,VR3,RS2(RT2) */
    {"VMCDR 6,2,10", "A516206A"},             /* VV VR1,VR3,VR2 */
    {"VMCE 3,5,7(9)", "A4065937"},            /* VST VR1,VR3,RS2(RT2) */
    {"VMCER 3,5,12", "A506503C"},             /* VV VR1,VR3,VR2 */
    {"VMD 6,2,7(9)", "A4122967"},             /* VST VR1,VR3,RS2(RT2) */
    {"VMDQ 6,4,10", "A592406A"},              /* QV VR1,QR3,VR2 */
    {"VMDR 6,2,10", "A512206A"},              /* VV VR1,VR3,VR2 */
    {"VMDS 6,4,7(9)", "A4924967"},            /* QST VR1,QR3,RS2(RT2) */
    {"VME 3,5,7(9)", "A4025937"},             /* VST VR1,VR3,RS2(RT2) */
    {"VMEQ 3,4,12", "A582403C"},              /* QV VR1,QR3,VR2 */
    {"VMER 3,5,12", "A502503C"},              /* VV VR1,VR3,VR2 */
    {"VMES 3,4,7(9)", "A4824937"},            /* QST VR1,QR3,RS2(RT2) */
    {"VMNSD 6,4,8", "A6114068"},              /* VR VR1,QR3,GR2 */
    {"VMNSE 3,4,8", "A6014038"},              /* VR VR1,QR3,GR2 */
    {"VMQ 3,5,12", "A5A2503C"},               /* QV VR1,QR3,VR2 */
    {"VMR 3,5,12", "A522503C"},               /* VV VR1,VR3,VR2 */
    {"VMRRS X'123'(11)", "A6C3B123"},         /* S D2(B2) */
    {"VMRSV X'123'(11)", "A6C1B123"},         /* S D2(B2) */
    {"VMS 3,5,7(9)", "A4A25937"},             /* QST VR1,QR3,RS2(RT2) */
    {"VMSD 6,2,7(9)", "A4152967"},            /* VST VR1,VR3,RS2(RT2) */
    {"VMSDQ 6,4,10", "A595406A"},             /* QV VR1,QR3,VR2 */
    {"VMSDS 6,4,7(9)", "A4954967"},           /* QST VR1,QR3,RS2(RT2) */
    {"VMSE 3,5,7(9)", "A4055937"},            /* VST VR1,VR3,RS2(RT2) */
    {"VMSEQ 3,4,12", "A585403C"},             /* QV VR1,QR3,VR2 */
    {"VMSES 3,4,7(9)", "A4854937"},           /* QST VR1,QR3,RS2(RT2) */
    {"VMXAD 6,4,8", "A6124068"},              /* VR VR1,QR3,GR2 */
    {"VMXAE 3,4,8", "A6024038"},              /* VR VR1,QR3,GR2 */
    {"VMXSD 6,4,8", "A6104068"},              /* VR VR1,QR3,GR2 */
    {"VMXSE 3,4,8", "A6004038"},              /* VR VR1,QR3,GR2 */
    {"VN 3,5,7(9)", "A4245937"},              /* VST VR1,VR3,RS2(RT2) */
    {"VNQ 3,5,12", "A5A4503C"},               /* QV VR1,QR3,VR2 */
    {"VNR 3,5,12", "A524503C"},               /* VV VR1,VR3,VR2 */
    {"VNS 3,5,7(9)", "A4A45937"},             /* QST VR1,QR3,RS2(RT2) */
    {"VNVM 7", "A6840007"},                   /* VS RS2 */
    {"VO 3,5,7(9)", "A4255937"},              /* VST VR1,VR3,RS2(RT2) */
    {"VOQ 3,5,12", "A5A5503C"},               /* QV VR1,QR3,VR2 */
    {"VOR 3,5,12", "A525503C"},               /* VV VR1,VR3,VR2 */
    {"VOS 3,5,7(9)", "A4A55937"},             /* QST VR1,QR3,RS2(RT2) */
    {"VOVM 7", "A6850007"},                   /* VS RS2 */
    {"VRCL X'123'(11)", "A6C5B123"},          /* S D2(B2) */
    {"VRRS 6", "A6480060"},                   /* RRE GR1 */
    {"VRSV 6", "A64A0060"},                   /* RRE GR1 */
    {"VRSVC 6", "A6490060"},                  /* RRE GR1 */
    {"VS 3,5,7(9)", "A4215937"},              /* VST VR1,VR3,RS2(RT2) */
    {"VSD 6,2,7(9)", "A4112967"},             /* VST VR1,VR3,RS2(RT2) */
    {"VSDQ 6,4,10", "A591406A"},              /* QV VR1,QR3,VR2 */
    {"VSDR 6,2,10", "A511206A"},              /* VV VR1,VR3,VR2 */
    {"VSDS 6,4,7(9)", "A4914967"},            /* QST VR1,QR3,RS2(RT2) */
    {"VSE 3,5,7(9)", "A4015937"},             /* VST VR1,VR3,RS2(RT2) */
    {"VSEQ 3,4,12", "A581403C"},              /* QV VR1,QR3,VR2 */
    {"VSER 3,5,12", "A501503C"},              /* VV VR1,VR3,VR2 */
    {"VSES 3,4,7(9)", "A4814937"},            /* QST VR1,QR3,RS2(RT2) */
    {"VSLL 3,5,X'123'(11)", "E4255030B123"},  /* RSE VR1,VR3,D2(B2) */
    {"VSPSD 6,4", "A61A4060"},                /* VR VR1,QR3 */
    {"VSQ 3,5,12", "A5A1503C"},               /* QV VR1,QR3,VR2 */
    {"VSR 3,5,12", "A521503C"},               /* VV VR1,VR3,VR2 */
    {"VSRL 3,5,X'123'(11)", "E4245030B123"},  /* RSE VR1,VR3,D2(B2) */
    {"VSRRS X'123'(11)", "A6C2B123"},         /* S D2(B2) */
    {"VSRSV X'123'(11)", "A6C0B123"},         /* S D2(B2) */
    {"VSS 3,5,7(9)", "A4A15937"},             /* QST VR1,QR3,RS2(RT2) */
    {"VST 3,7(9)", "A40D0937"},               /* VST VR1,RS2(RT2) */
    {"VSTD 6,7(9)", "A41D0967"},              /* VST VR1,RS2(RT2) */
    {"VSTE 3,7(9)", "A40D0937"},              /* VST VR1,RS2(RT2) */
    {"VSTH 3,7(9)", "A42D0937"},              /* VST VR1,RS2(RT2) */
    {"VSTI 3,5,X'123'(11)", "E4015030B123"},  /* RSE VR1,VR3,D2(B2) */
    {"VSTID 6,5,X'123'(11)", "E4115060B123"}, /* RSE VR1,VR3,D2(B2) */
    {"VSTIE 3,5,X'123'(11)", "E4015030B123"}, /* RSE VR1,VR3,D2(B2) */
    {"VSTK 3,7(9)", "A40F0937"},              /* VST VR1,RS2(RT2) */
    {"VSTKD 6,7(9)", "A41F0967"},             /* VST VR1,RS2(RT2) */
    {"VSTKE 3,7(9)", "A40F0937"},             /* VST VR1,RS2(RT2) */
    {"VSTM 3,7(9)", "A40E0937"},              /* VST VR1,RS2(RT2) */
    {"VSTMD 6,7(9)", "A41E0967"},             /* VST VR1,RS2(RT2) */
    {"VSTME 3,7(9)", "A40E0937"},             /* VST VR1,RS2(RT2) */
    {"VSTVM 7", "A6820007"},                  /* VS RS2 */
    {"VSTVP X'123'(11)", "A6C8B123"},         /* S D2(B2) */
    {"VSVMM X'123'(11)", "A6C6B123"},         /* S D2(B2) */
    {"VTVM", "A6400000"},                     /* RRE */
    {"VX 3,5,7(9)", "A4265937"},              /* VST VR1,VR3,RS2(RT2) */
    {"VXEL 3,5,8", "A6295038"},               /* VR VR1,QR3,GR2 */
    {"VXELD 6,4,8", "A6194068"},              /* VR VR1,QR3,GR2 */
    {"VXELE 3,4,8", "A6094038"},              /* VR VR1,QR3,GR2 */
    {"VXQ 3,5,12", "A5A6503C"},               /* QV VR1,QR3,VR2 */
    {"VXR 3,5,12", "A526503C"},               /* VV VR1,VR3,VR2 */
    {"VXS 3,5,7(9)", "A4A65937"},             /* QST VR1,QR3,RS2(RT2) */
    {"VXVC 3", "A6440030"},                   /* RRE GR1 */
    {"VXVM 7", "A6860007"},                   /* VS RS2 */
    {"VXVMM 3", "A6460030"},                  /* RRE GR1 */
    {"VZPSD 6", "A61B0060"},                  /* VR VR1 */
    {"WRD X'123'(11),X'AB'", "84ABB123"},     /* SI D1(B1),I2 */
};

/* Entries whose opcode is not known: nothing to check them against. */
const char *const c_apszUnchecked[] = {"CTP", "DEP", "IPB", "LFI", "MAD", "MADS", "MUN", "RSP", "SPB", "STCAP"};

struct INSTANCE {
  std::string strName, strOurs, strGas;
};

std::string strHex(const uint8_t *p, size_t n)
{
  std::string str;
  char ach[4];
  for (size_t i = 0; i < n; i++) str += (std::snprintf(ach, sizeof ach, "%02X", p[i]), ach);
  return str;
}

/* Variant v (0-2) of a row: values vary with the variant and the operand. */
INSTANCE instance(const ROW &r, unsigned v)
{
  static const unsigned c_auSeed[3][4] = {{3, 12, 5, 7}, {14, 9, 15, 6}, {8, 1, 10, 13}};
  static const int c_aiByte[] = {255, 90, 1}, c_aiHalf[] = {-2, 32767, -32768};
  static const char *const c_apszRel[] = {"+40", "-65536", "+65534"};
  static const char *const c_apszRelLong[] = {"+40", "-131072", "+16777214"};
  static const int c_aiDisp[] = {4088, 8, 1800}, c_aiBase[] = {15, 1, 0}, c_aiIndex[] = {14, 0, 9};
  /* HLASM's JLxx are GNU as's jgxx (its jle and jlh are other branches);
     in ESA mode GNU as calls CU12 and CU21 cutfu and cuutf */
  std::string strGasName = r.strName == "JLU"                                       ? "jg"
                           : r.strName.size() > 2 && r.strName.substr(0, 2) == "JL" ? "jg" + r.strName.substr(2)
                           : r.strName == "CU12"                                    ? "cutfu"
                           : r.strName == "CU21"                                    ? "cuutf"
                                                                                    : r.strName;
  INSTANCE in{r.strName, r.strName, strGasName};
  std::vector<std::string> astrOps(r.strOperands == "-" ? 0 : 1);
  int iDepth = 0;
  for (char ch : r.strOperands == "-" ? std::string() : r.strOperands) {
    iDepth += ch == '(' ? 1 : ch == ')' ? -1 : 0;
    ch == ',' && iDepth == 0 ? astrOps.emplace_back() : astrOps.back() += ch;
  }
  for (size_t i = 0; i < astrOps.size(); i++) {
    const std::string &strOp = astrOps[i];
    uint32_t ulDesc = g_optab.pDescs[r.auDescs.at(i)].ulDesc;
    unsigned uKind = ulDesc & 0xFF, uAlign = ulDesc >> 24, a = (v + static_cast<unsigned>(i)) % 3;
    size_t ulParen = strOp.find('(');
    std::string strInner = ulParen == std::string::npos ? "" : strOp.substr(ulParen + 1, strOp.size() - ulParen - 2);
    std::string strOurs, strGas;
    if (uKind == 9 || uKind == 16) { /* relative target: a distance from the instruction */
      const char *pszRel = uKind == 9 ? c_apszRel[v] : c_apszRelLong[v];
      strOurs = std::string("*") + pszRel;
      strGas = std::string(".") + pszRel;
    } else if (uKind == 7 || uKind == 8) { /* binutils reads the TMH and TML immediate unsigned */
      int iValue = uKind == 7 ? c_aiByte[v] : c_aiHalf[v] + (r.strName.substr(0, 2) == "TM" && v != 1 ? 65536 : 0);
      strOurs = strGas = std::to_string(iValue);
    } else if (strOp[0] == 'D') { /* D(B), D(X,B), D(L,B), D(R,B); SAC takes the mode from bits 8-9 only */
      int iDisp = c_aiDisp[a] & (r.strName.substr(0, 3) == "SAC" ? 0x3FF : 0xFFF), iBase = c_aiBase[a];
      std::string strD = std::to_string(iDisp), strB = std::to_string(iBase);
      strOurs = strGas = strD + "(" + strB + ")";
      if (strInner.find(',') != std::string::npos) {
        /* PKA and PKU take at most 32 and 64 bytes (GNU as checks it) */
        int iLimit = uKind == 13 ? 8 : uKind == 14 ? 16 : r.strName == "PKA" ? 32 : r.strName == "PKU" ? 64 : 256;
        bool bLength = strInner[0] == 'L';
        int iSecond = !bLength ? c_aiIndex[a] : a == 0 ? iLimit : a == 1 ? 0 : iLimit / 2 - 1;
        strOurs = strD + "(" + (iSecond == 0 ? "" : std::to_string(iSecond)) + "," + strB + ")";
        strGas = strD + "(" + std::to_string(bLength && iSecond == 0 ? 1 : iSecond) + "," + strB + ")";
      }
    } else {
      unsigned u = c_auSeed[v][i];
      u = uKind == 4    ? u & (uAlign == 4 ? 4 : 6)
          : uKind == 17 ? u & (uAlign == 4 ? ~2u : ~0u) /* 16 floating point registers, pairs n and n+2 */
          : uKind == 5  ? u % 10
          : uAlign == 2 ? u & ~1u
                        : u;
      strOurs = strGas = std::to_string(u);
    }
    in.strOurs += (i == 0 ? " " : ",") + strOurs;
    in.strGas += (i == 0 ? " " : ",") + strGas;
  }
  return in;
}

/* The bytes GNU as makes of each line (labels between them, read by nm).
   -march=z9-109 is the highest level GNU as offers in ESA mode and takes
   every ESA/390 row.  Lower levels miss some: the relative-long branches
   and LARL, ALC(R), SLB(R), ML(R), DL(R), LRV(R), LRVH, STRV, STRVH, TAM,
   SAM24, SAM31 and STFL need z900; the message-security assist (KM, KMC,
   KIMD, KLMD, KMAC), the HFP multiply and add (MAER ... MSD) and CLCLU
   need z990;
   all other rows assemble from g5 on. */
std::vector<std::string> astrGasBytes(const std::vector<std::string> &astrLines)
{
  std::filesystem::path dir = std::filesystem::temp_directory_path() / ("ins2_gas_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream src(dir / "t.s");
  for (size_t k = 0; k < astrLines.size(); k++) src << "i" << k << ": " << astrLines[k] << "\n";
  src << "i" << astrLines.size() << ":\n";
  src.close();
  std::string strCmd = "cd '" + dir.string() +
                       "' && s390x-linux-gnu-as -m31 -mesa -march=z9-109 -o t.o t.s && "
                       "s390x-linux-gnu-nm t.o >nm.txt && s390x-linux-gnu-objcopy -O binary -j .text t.o t.bin";
  EXPECT_EQ(std::system(strCmd.c_str()), 0) << strCmd;
  std::map<std::string, size_t> mapAddr;
  std::ifstream nm(dir / "nm.txt"), bin(dir / "t.bin", std::ios::binary);
  for (std::string strAddr, strType, strName; nm >> strAddr >> strType >> strName;)
    mapAddr[strName] = std::stoul(strAddr, nullptr, 16);
  std::vector<uint8_t> ab((std::istreambuf_iterator<char>(bin)), std::istreambuf_iterator<char>());
  std::vector<std::string> astrBytes(astrLines.size());
  for (size_t k = 0; k < astrLines.size(); k++) {
    size_t ulFrom = mapAddr[std::string("i").append(std::to_string(k))];
    size_t ulTo = mapAddr[std::string("i").append(std::to_string(k + 1))];
    if (ulFrom <= ulTo && ulTo <= ab.size()) astrBytes[k] = strHex(ab.data() + ulFrom, ulTo - ulFrom);
  }
  std::filesystem::remove_all(dir);
  return astrBytes;
}

class Ins2Binutils : public CoreTest {};

TEST_F(Ins2Binutils, EveryInstructionEncodesAsBinutilsOrItsHandCheckedBytes)
{
  bool bGas = std::system("(command -v s390x-linux-gnu-as && command -v s390x-linux-gnu-nm && "
                          "command -v s390x-linux-gnu-objcopy) >/dev/null 2>&1") == 0;
  std::vector<ROW> aRows = vRows();
  ASSERT_EQ(aRows.size(), 754u);
  std::set<std::string> setHand; /* mnemonics of the hand rows not yet met among the entries */
  for (const HAND &h : c_aHand) {
    std::string strName = std::string(h.pszSource).substr(0, std::string(h.pszSource).find(' '));
    EXPECT_TRUE(setHand.insert(strName).second) << "two hand rows for " << strName;
  }
  std::map<std::string, bool> mapUnchecked; /* name -> found among the entries binutils does not know */
  for (const char *psz : c_apszUnchecked) mapUnchecked[psz] = false;
  std::vector<INSTANCE> aInst;
  std::string strSource = "T CSECT\n";
  std::map<std::string, unsigned> mapCount;
  for (const ROW &r : aRows) {
    if (r.strSource == "binutils") {
      mapCount["binutils"]++;
      for (unsigned v = 0; v < 3; v++) {
        aInst.push_back(instance(r, v));
        strSource += " " + aInst.back().strOurs + "\n";
      }
    } else if (setHand.erase(r.strName)) {
      mapCount["hand"]++;
    } else if (mapUnchecked.count(r.strName)) {
      mapCount["not checked"]++;
      mapUnchecked[r.strName] = true;
    } else {
      ADD_FAILURE() << r.strName << " is checked neither by binutils nor by the hand table";
    }
  }
  for (const std::string &strName : setHand)
    ADD_FAILURE() << "hand row for no entry that binutils does not know: " << strName;
  for (const auto &[strName, bFound] : mapUnchecked) EXPECT_TRUE(bFound) << "unchecked entry missing: " << strName;
  for (const HAND &h : c_aHand) strSource += std::string(" ") + h.pszSource + "\n";
  size_t ulHand = sizeof c_aHand / sizeof c_aHand[0];
  EXPECT_EQ(ulHand, 203u);
  std::vector<std::string> astrOurs = astrCode(strSource + " END\n");
  ASSERT_EQ(astrOurs.size(), aInst.size() + ulHand + 2);
  std::vector<std::string> astrGasLines;
  for (const INSTANCE &in : aInst) astrGasLines.push_back(in.strGas);
  std::vector<std::string> astrGas = bGas ? astrGasBytes(astrGasLines) : std::vector<std::string>();
  for (size_t k = 0; k < aInst.size() + ulHand; k++) {
    bool bHand = k >= aInst.size();
    std::string strName = bHand ? c_aHand[k - aInst.size()].pszSource : aInst[k].strName;
    strName = strName.substr(0, strName.find(' '));
    const std::string &strLine = astrOurs[k + 1];
    size_t ulBytes = strLine.find(" bytes=");
    std::string strBytes = ulBytes == std::string::npos ? "" : strLine.substr(ulBytes + 7);
    EXPECT_NE(strLine.find(" op=" + strName + " "), std::string::npos) << strLine;
    EXPECT_EQ(strLine.find("diag="), std::string::npos) << strLine;
    if (bHand) {
      EXPECT_EQ(strBytes, c_aHand[k - aInst.size()].pszBytes) << c_aHand[k - aInst.size()].pszSource;
    } else if (k < astrGas.size()) {
      EXPECT_EQ(strBytes, astrGas[k]) << aInst[k].strGas;
    }
  }
  std::printf("[ counts   ] checked by binutils %u, by the hand table %u, not checked %u\n", mapCount["binutils"],
              mapCount["hand"], mapCount["not checked"]);
  if (!bGas) GTEST_SKIP() << "GNU binutils for s390 not installed: only the hand table was checked";
}

} // namespace
