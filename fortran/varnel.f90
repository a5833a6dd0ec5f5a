! libvarnel for Fortran: the module varnel.
!
! Every function and constant of libvarnel's C interface (libvarnel-c.so.0,
! <varnel/varnel.h>) under the same name, so that a call reads alike in C and
! in Fortran:  g = varnel_specfun_d_gamma(0.5_c_double).  The functions are
! bind(C) interfaces to the C functions, with arguments passed by value; the
! results are those of the C++ library, bit for bit. The constants are named
! constants (parameters) holding the very bits of the library's objects,
! written as their bit patterns so that no decimal conversion is involved; they
! can be used in constant expressions.
!
! Kinds: real(c_double) and real(c_float) for binary64 and binary32,
! complex(c_double_complex) for complex arguments and results, integer(c_int)
! for the selector of the error functions (all from ISO_C_BINDING, which the
! module passes on, so a program needs no other USE for them).
!
! Compiled .mod files depend on the compiler and its version, so the module is
! installed as this source file: compile it together with the program and link
! libvarnel-c, for example
!   gfortran -ffp-contract=off $(pkg-config --variable=fortran_source varnel-c) \
!            program.f90 $(pkg-config --libs varnel-c)
! or, with CMake, link the target varnel::fortran (see docs/c-and-fortran.md).
!
! The inverse functions of libvarnel-stats (<varnel/stats.h>) are here too,
! varnel_stats_d_erf_inv ... varnel_stats_d_ibetac_inv, each result the
! number at which libvarnel's forward function crosses the target, to the
! last bit. A program that calls them links libvarnel-stats as well:
!   ... $(pkg-config --libs varnel-c varnel-stats)
! (varnel::fortran links it already).
module varnel
  use, intrinsic :: iso_c_binding, only: c_double, c_float, c_double_complex, c_int
  implicit none
  private
  public :: c_double, c_float, c_double_complex, c_int

  public :: varnel_specfun_s_calerf, varnel_specfun_d_calerf, varnel_specfun_s_gamma, &
            varnel_specfun_d_gamma, varnel_specfun_s_lngamma, varnel_specfun_d_lngamma, &
            varnel_specfun_d_ibeta, varnel_cephes_cstirf, varnel_cephes_z_gamma, &
            varnel_cephes_z_lngamma, varnel_cephes_d_igamma, varnel_cephes_d_igamc, &
            varnel_cephes_incbcf, varnel_cephes_incbd, varnel_cephes_pseries, &
            varnel_cephes_d_ibeta
  public :: varnel_stats_d_erf_inv, varnel_stats_s_erf_inv, varnel_stats_d_erfc_inv, &
            varnel_stats_s_erfc_inv, varnel_stats_d_igamma_inv, varnel_stats_d_igamc_inv, &
            varnel_stats_d_ibeta_inv, varnel_stats_d_ibetac_inv

  ! The constants, as the bits of the binary64 values of the library's objects.
  real(c_double), parameter, public :: varnel_cephes_SQTPI    = real(z'40040D931FF62706', c_double) ! sqrt(2 pi)
  real(c_double), parameter, public :: varnel_cephes_LOGPI    = real(z'3FF250D048E7A1BD', c_double) ! log(pi)
  real(c_double), parameter, public :: varnel_cephes_TWOOPI   = real(z'3FE45F306DC9C883', c_double) ! 2/pi
  real(c_double), parameter, public :: varnel_cephes_THPIO4   = real(z'4002D97C7F3321D2', c_double) ! 3 pi/4
  real(c_double), parameter, public :: varnel_cephes_LOGSQ2   = real(z'3FD62E42FEFA39EF', c_double) ! log(2)/2
  real(c_double), parameter, public :: varnel_cephes_LOGE2    = real(z'3FE62E42FEFA39EF', c_double) ! log(2)
  real(c_double), parameter, public :: varnel_cephes_SQ2OPI   = real(z'3FE9884533D43651', c_double) ! sqrt(2/pi)
  real(c_double), parameter, public :: varnel_cephes_LOG2E    = real(z'3FF71547652B82FE', c_double) ! 1/log(2)
  real(c_double), parameter, public :: varnel_cephes_SQRTH    = real(z'3FE6A09E667F3BCD', c_double) ! sqrt(1/2)
  real(c_double), parameter, public :: varnel_cephes_SQRT2    = real(z'3FF6A09E667F3BCD', c_double) ! sqrt(2)
  real(c_double), parameter, public :: varnel_cephes_PIO4     = real(z'3FE921FB54442D18', c_double) ! pi/4
  real(c_double), parameter, public :: varnel_cephes_PIO2     = real(z'3FF921FB54442D18', c_double) ! pi/2
  real(c_double), parameter, public :: varnel_cephes_PI       = real(z'400921FB54442D18', c_double) ! pi
  real(c_double), parameter, public :: varnel_cephes_D_MAXNUM = real(z'7FEFFFFFFFFFFFFF', c_double) ! largest finite double
  real(c_double), parameter, public :: varnel_cephes_D_MINLOG = real(z'C086232BDD7ABCD2', c_double) ! log of the smallest normal double
  real(c_double), parameter, public :: varnel_cephes_D_MAXLOG = real(z'40862E42FEFA39EF', c_double) ! log(D_MAXNUM)
  real(c_double), parameter, public :: varnel_cephes_D_MACHEP = real(z'3CA0000000000000', c_double) ! 2^-53

  interface
    ! Error functions: kind 0 erf(x), 1 erfc(x), 2 exp(x*x)*erfc(x), binary32.
    pure function varnel_specfun_s_calerf(x, kind) bind(C, name='varnel_specfun_s_calerf')
      import :: c_float, c_int
      real(c_float), value :: x
      integer(c_int), value :: kind
      real(c_float) :: varnel_specfun_s_calerf
    end function varnel_specfun_s_calerf
    ! Error functions: kind 0 erf(x), 1 erfc(x), 2 exp(x*x)*erfc(x), binary64.
    pure function varnel_specfun_d_calerf(x, kind) bind(C, name='varnel_specfun_d_calerf')
      import :: c_double, c_int
      real(c_double), value :: x
      integer(c_int), value :: kind
      real(c_double) :: varnel_specfun_d_calerf
    end function varnel_specfun_d_calerf
    ! Gamma(x), binary32; 3.4e38 at poles, on overflow and for NaN or inf.
    pure function varnel_specfun_s_gamma(x) bind(C, name='varnel_specfun_s_gamma')
      import :: c_float
      real(c_float), value :: x
      real(c_float) :: varnel_specfun_s_gamma
    end function varnel_specfun_s_gamma
    ! Gamma(x), binary64; 1.79e308 at poles, on overflow and for NaN or inf.
    pure function varnel_specfun_d_gamma(x) bind(C, name='varnel_specfun_d_gamma')
      import :: c_double
      real(c_double), value :: x
      real(c_double) :: varnel_specfun_d_gamma
    end function varnel_specfun_d_gamma
    ! ln Gamma(x) for x > 0, binary32; 3.401e38 outside the domain.
    pure function varnel_specfun_s_lngamma(x) bind(C, name='varnel_specfun_s_lngamma')
      import :: c_float
      real(c_float), value :: x
      real(c_float) :: varnel_specfun_s_lngamma
    end function varnel_specfun_s_lngamma
    ! ln Gamma(x) for x > 0, binary64; 1.79e308 outside the domain.
    pure function varnel_specfun_d_lngamma(x) bind(C, name='varnel_specfun_d_lngamma')
      import :: c_double
      real(c_double), value :: x
      real(c_double) :: varnel_specfun_d_lngamma
    end function varnel_specfun_d_lngamma
    ! Regularised incomplete beta I_x(a, b) by one continued fraction.
    pure function varnel_specfun_d_ibeta(a, b, x) bind(C, name='varnel_specfun_d_ibeta')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: b
      real(c_double), value :: x
      real(c_double) :: varnel_specfun_d_ibeta
    end function varnel_specfun_d_ibeta
    ! Stirling formula for Gamma(z); accurate for Re z >= 18 only.
    pure function varnel_cephes_cstirf(z) bind(C, name='varnel_cephes_cstirf')
      import :: c_double_complex
      complex(c_double_complex), value :: z
      complex(c_double_complex) :: varnel_cephes_cstirf
    end function varnel_cephes_cstirf
    ! Gamma(z) for complex z; +inf + 0i at the poles it recognises.
    pure function varnel_cephes_z_gamma(z) bind(C, name='varnel_cephes_z_gamma')
      import :: c_double_complex
      complex(c_double_complex), value :: z
      complex(c_double_complex) :: varnel_cephes_z_gamma
    end function varnel_cephes_z_gamma
    ! log Gamma(z) for complex z, on a continuous (unreduced) branch.
    pure function varnel_cephes_z_lngamma(z) bind(C, name='varnel_cephes_z_lngamma')
      import :: c_double_complex
      complex(c_double_complex), value :: z
      complex(c_double_complex) :: varnel_cephes_z_lngamma
    end function varnel_cephes_z_lngamma
    ! P(a, x), the regularised lower incomplete gamma function.
    pure function varnel_cephes_d_igamma(a, x) bind(C, name='varnel_cephes_d_igamma')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: x
      real(c_double) :: varnel_cephes_d_igamma
    end function varnel_cephes_d_igamma
    ! Q(a, x) = 1 - P(a, x), the regularised upper incomplete gamma function.
    pure function varnel_cephes_d_igamc(a, x) bind(C, name='varnel_cephes_d_igamc')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: x
      real(c_double) :: varnel_cephes_d_igamc
    end function varnel_cephes_d_igamc
    ! First continued fraction of I_x(a, b), a building block of d_ibeta.
    pure function varnel_cephes_incbcf(a, b, x) bind(C, name='varnel_cephes_incbcf')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: b
      real(c_double), value :: x
      real(c_double) :: varnel_cephes_incbcf
    end function varnel_cephes_incbcf
    ! Second continued fraction of I_x(a, b), a building block of d_ibeta.
    pure function varnel_cephes_incbd(a, b, x) bind(C, name='varnel_cephes_incbd')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: b
      real(c_double), value :: x
      real(c_double) :: varnel_cephes_incbd
    end function varnel_cephes_incbd
    ! Power series of I_x(a, b), a building block of d_ibeta.
    pure function varnel_cephes_pseries(a, b, x) bind(C, name='varnel_cephes_pseries')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: b
      real(c_double), value :: x
      real(c_double) :: varnel_cephes_pseries
    end function varnel_cephes_pseries
    ! I_x(a, b) by power series and two continued fractions.
    pure function varnel_cephes_d_ibeta(a, b, x) bind(C, name='varnel_cephes_d_ibeta')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: b
      real(c_double), value :: x
      real(c_double) :: varnel_cephes_d_ibeta
    end function varnel_cephes_d_ibeta

    ! libvarnel-stats. x with erf(x) = p, binary64: -inf at p = -1, +inf at
    ! p = 1, NaN outside [-1, 1].
    pure function varnel_stats_d_erf_inv(p) bind(C, name='varnel_stats_d_erf_inv')
      import :: c_double
      real(c_double), value :: p
      real(c_double) :: varnel_stats_d_erf_inv
    end function varnel_stats_d_erf_inv
    ! x with erf(x) = p, binary32 (where s_calerf(x, 0) crosses p).
    pure function varnel_stats_s_erf_inv(p) bind(C, name='varnel_stats_s_erf_inv')
      import :: c_float
      real(c_float), value :: p
      real(c_float) :: varnel_stats_s_erf_inv
    end function varnel_stats_s_erf_inv
    ! x with erfc(x) = q, binary64: +inf at q = 0, -inf at q = 2.
    pure function varnel_stats_d_erfc_inv(q) bind(C, name='varnel_stats_d_erfc_inv')
      import :: c_double
      real(c_double), value :: q
      real(c_double) :: varnel_stats_d_erfc_inv
    end function varnel_stats_d_erfc_inv
    ! x with erfc(x) = q, binary32 (where s_calerf(x, 1) crosses q).
    pure function varnel_stats_s_erfc_inv(q) bind(C, name='varnel_stats_s_erfc_inv')
      import :: c_float
      real(c_float), value :: q
      real(c_float) :: varnel_stats_s_erfc_inv
    end function varnel_stats_s_erfc_inv
    ! x with P(a, x) = p: 0 at p = 0, +inf at p = 1; NaN for a <= 0.
    pure function varnel_stats_d_igamma_inv(a, p) bind(C, name='varnel_stats_d_igamma_inv')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: p
      real(c_double) :: varnel_stats_d_igamma_inv
    end function varnel_stats_d_igamma_inv
    ! x with Q(a, x) = q: +inf at q = 0, 0 at q = 1; NaN for a <= 0.
    pure function varnel_stats_d_igamc_inv(a, q) bind(C, name='varnel_stats_d_igamc_inv')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: q
      real(c_double) :: varnel_stats_d_igamc_inv
    end function varnel_stats_d_igamc_inv
    ! x with I_x(a, b) = p: 0 at p = 0, 1 at p = 1; NaN for a <= 0, b <= 0.
    pure function varnel_stats_d_ibeta_inv(a, b, p) bind(C, name='varnel_stats_d_ibeta_inv')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: b
      real(c_double), value :: p
      real(c_double) :: varnel_stats_d_ibeta_inv
    end function varnel_stats_d_ibeta_inv
    ! x with I_(1-x)(b, a) = q, the upper tail: 1 at q = 0, 0 at q = 1.
    pure function varnel_stats_d_ibetac_inv(a, b, q) bind(C, name='varnel_stats_d_ibetac_inv')
      import :: c_double
      real(c_double), value :: a
      real(c_double), value :: b
      real(c_double), value :: q
      real(c_double) :: varnel_stats_d_ibetac_inv
    end function varnel_stats_d_ibetac_inv
  end interface
end module varnel
