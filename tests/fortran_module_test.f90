! The Fortran module varnel against libvarnel-c and libvarnel-stats:
!  - every named constant of the module holds the bits of the C object of the
!    same name (reached here through bind(C) variables);
!  - every interface passes its arguments and takes its result as the C
!    function does: each function is called once, and the line printed for it
!    (the evaluator's name for the function, the arguments, the result bits) is
!    compared with the evaluator's result by fortran_module_test.sh.
! Stops with an error when a constant differs.
module c_objects
  use, intrinsic :: iso_c_binding, only: c_double
  implicit none
  real(c_double), bind(C, name='varnel_cephes_SQTPI') :: SQTPI
  real(c_double), bind(C, name='varnel_cephes_LOGPI') :: LOGPI
  real(c_double), bind(C, name='varnel_cephes_TWOOPI') :: TWOOPI
  real(c_double), bind(C, name='varnel_cephes_THPIO4') :: THPIO4
  real(c_double), bind(C, name='varnel_cephes_LOGSQ2') :: LOGSQ2
  real(c_double), bind(C, name='varnel_cephes_LOGE2') :: LOGE2
  real(c_double), bind(C, name='varnel_cephes_SQ2OPI') :: SQ2OPI
  real(c_double), bind(C, name='varnel_cephes_LOG2E') :: LOG2E
  real(c_double), bind(C, name='varnel_cephes_SQRTH') :: SQRTH
  real(c_double), bind(C, name='varnel_cephes_SQRT2') :: SQRT2
  real(c_double), bind(C, name='varnel_cephes_PIO4') :: PIO4
  real(c_double), bind(C, name='varnel_cephes_PIO2') :: PIO2
  real(c_double), bind(C, name='varnel_cephes_PI') :: PI
  real(c_double), bind(C, name='varnel_cephes_D_MAXNUM') :: D_MAXNUM
  real(c_double), bind(C, name='varnel_cephes_D_MINLOG') :: D_MINLOG
  real(c_double), bind(C, name='varnel_cephes_D_MAXLOG') :: D_MAXLOG
  real(c_double), bind(C, name='varnel_cephes_D_MACHEP') :: D_MACHEP
end module c_objects

program fortran_module_test
  use varnel
  use c_objects
  use, intrinsic :: iso_c_binding, only: c_int32_t, c_int64_t
  implicit none
  character(len=8), parameter :: names(17) = [character(len=8) :: 'SQTPI', 'LOGPI', 'TWOOPI', &
      'THPIO4', 'LOGSQ2', 'LOGE2', 'SQ2OPI', 'LOG2E', 'SQRTH', 'SQRT2', 'PIO4', 'PIO2', 'PI', &
      'D_MAXNUM', 'D_MINLOG', 'D_MAXLOG', 'D_MACHEP']
  real(c_double), parameter :: in_module(17) = [varnel_cephes_SQTPI, varnel_cephes_LOGPI, &
      varnel_cephes_TWOOPI, varnel_cephes_THPIO4, varnel_cephes_LOGSQ2, varnel_cephes_LOGE2, &
      varnel_cephes_SQ2OPI, varnel_cephes_LOG2E, varnel_cephes_SQRTH, varnel_cephes_SQRT2, &
      varnel_cephes_PIO4, varnel_cephes_PIO2, varnel_cephes_PI, varnel_cephes_D_MAXNUM, &
      varnel_cephes_D_MINLOG, varnel_cephes_D_MAXLOG, varnel_cephes_D_MACHEP]
  real(c_double) :: in_c(17)
  integer :: i, failed
  complex(c_double_complex), parameter :: z = (1.5_c_double, -2.25_c_double)
  real(c_double), parameter :: a = 2.5_c_double, b = 3.75_c_double, x = 0.375_c_double

  in_c = [SQTPI, LOGPI, TWOOPI, THPIO4, LOGSQ2, LOGE2, SQ2OPI, LOG2E, SQRTH, SQRT2, PIO4, PIO2, &
          PI, D_MAXNUM, D_MINLOG, D_MAXLOG, D_MACHEP]
  failed = 0
  do i = 1, size(names)
    if (transfer(in_module(i), 0_c_int64_t) /= transfer(in_c(i), 0_c_int64_t)) then
      print '(A, A, A, Z16.16, A, Z16.16)', 'FAIL varnel_cephes_', trim(names(i)), ': module ', &
          transfer(in_module(i), 0_c_int64_t), ', C object ', transfer(in_c(i), 0_c_int64_t)
      failed = 1
    end if
  end do
  if (failed == 0) print '(A, I0, A)', 'ok   ', size(names), ' constants have the bits of the C objects'

  call single('specfun::s_calerf', 1.25_c_float, 1, varnel_specfun_s_calerf(1.25_c_float, 1_c_int))
  call double2('specfun::d_calerf', -0.75_c_double, 2, varnel_specfun_d_calerf(-0.75_c_double, 2_c_int))
  call single('specfun::s_gamma', 4.5_c_float, -1, varnel_specfun_s_gamma(4.5_c_float))
  call double1('specfun::d_gamma', -2.5_c_double, varnel_specfun_d_gamma(-2.5_c_double))
  call single('specfun::s_lngamma', 30.5_c_float, -1, varnel_specfun_s_lngamma(30.5_c_float))
  call double1('specfun::d_lngamma', 0.125_c_double, varnel_specfun_d_lngamma(0.125_c_double))
  call double3('specfun::d_ibeta', varnel_specfun_d_ibeta(a, b, x))
  call complex1('cephes::cstirf', varnel_cephes_cstirf(z + 20))
  call complex1('cephes::z_gamma', varnel_cephes_z_gamma(z))
  call complex1('cephes::z_lngamma', varnel_cephes_z_lngamma(z))
  print '(A, 2ES25.17, A, Z16.16)', 'cephes::d_igamma', a, x * 8, ' | ', &
      transfer(varnel_cephes_d_igamma(a, x * 8), 0_c_int64_t)
  print '(A, 2ES25.17, A, Z16.16)', 'cephes::d_igamc', a, x * 8, ' | ', &
      transfer(varnel_cephes_d_igamc(a, x * 8), 0_c_int64_t)
  call double3('cephes::incbcf', varnel_cephes_incbcf(a, b, x))
  call double3('cephes::incbd', varnel_cephes_incbd(a, b, x))
  call double3('cephes::pseries', varnel_cephes_pseries(a, b, x))
  call double3('cephes::d_ibeta', varnel_cephes_d_ibeta(a, b, x))
  ! The inverse functions, at targets inside their intervals (x as the target).
  call single('stats::s_erf_inv', -0.375_c_float, -1, varnel_stats_s_erf_inv(-0.375_c_float))
  call double1('stats::d_erf_inv', -x, varnel_stats_d_erf_inv(-x))
  call single('stats::s_erfc_inv', 1.625_c_float, -1, varnel_stats_s_erfc_inv(1.625_c_float))
  call double1('stats::d_erfc_inv', x / 1024, varnel_stats_d_erfc_inv(x / 1024))
  print '(A, 2ES25.17, A, Z16.16)', 'stats::d_igamma_inv', a, x, ' | ', &
      transfer(varnel_stats_d_igamma_inv(a, x), 0_c_int64_t)
  print '(A, 2ES25.17, A, Z16.16)', 'stats::d_igamc_inv', a, x, ' | ', &
      transfer(varnel_stats_d_igamc_inv(a, x), 0_c_int64_t)
  call double3('stats::d_ibeta_inv', varnel_stats_d_ibeta_inv(a, b, x))
  call double3('stats::d_ibetac_inv', varnel_stats_d_ibetac_inv(a, b, x))
  if (failed /= 0) error stop 1

contains

  ! kind < 0: a function of x alone.
  subroutine single(name, v, kind, r)
    character(len=*), intent(in) :: name
    real(c_float), intent(in) :: v, r
    integer, intent(in) :: kind
    if (kind < 0) then
      print '(A, ES25.17, A, Z8.8)', name, real(v, c_double), ' | ', transfer(r, 0_c_int32_t)
    else
      print '(A, ES25.17, I3, A, Z8.8)', name, real(v, c_double), kind, ' | ', transfer(r, 0_c_int32_t)
    end if
  end subroutine single

  subroutine double1(name, v, r)
    character(len=*), intent(in) :: name
    real(c_double), intent(in) :: v, r
    print '(A, ES25.17, A, Z16.16)', name, v, ' | ', transfer(r, 0_c_int64_t)
  end subroutine double1

  subroutine double2(name, v, kind, r)
    character(len=*), intent(in) :: name
    real(c_double), intent(in) :: v, r
    integer, intent(in) :: kind
    print '(A, ES25.17, I3, A, Z16.16)', name, v, kind, ' | ', transfer(r, 0_c_int64_t)
  end subroutine double2

  subroutine double3(name, r)
    character(len=*), intent(in) :: name
    real(c_double), intent(in) :: r
    print '(A, 3ES25.17, A, Z16.16)', name, a, b, x, ' | ', transfer(r, 0_c_int64_t)
  end subroutine double3

  ! The argument of cstirf is z + 20, that of the others z.
  subroutine complex1(name, r)
    character(len=*), intent(in) :: name
    complex(c_double_complex), intent(in) :: r
    complex(c_double_complex) :: arg
    arg = z
    if (name == 'cephes::cstirf') arg = z + 20
    print '(A, 2ES25.17, A, Z16.16, 1X, Z16.16)', name, arg, ' | ', &
        transfer(real(r), 0_c_int64_t), transfer(aimag(r), 0_c_int64_t)
  end subroutine complex1

end program fortran_module_test
