! Tail probabilities of two test statistics through libvarnel's Fortran
! module: the chi-square upper tail, by the regularised upper incomplete gamma
! function, and the two-sided Student t tail, by the regularised incomplete
! beta function, at the usual critical values (5 %, 1 % and 0.1 %).
!
!   P(X > x)   = Q(k/2, x/2)               X chi-square with k degrees of freedom
!   P(|T| > t) = I_w(nu/2, 1/2), w = nu/(nu + t^2)   T Student t with nu degrees
!
! Each result is printed with 17 significant digits and as its bit pattern;
! examples/c/tails.c prints the same table, character for character.
!
! Build (the module's source is installed with the development files):
!   gfortran -ffp-contract=off $(pkg-config --variable=fortran_source varnel-c) \
!            tails.f90 $(pkg-config --libs varnel-c)
! (-ffp-contract=off keeps w = nu/(nu + t*t) from being computed with a fused
! multiply-add, which some processors would use and others not.)
program tails
  use varnel
  use, intrinsic :: iso_c_binding, only: c_int64_t
  implicit none
  integer, parameter :: chi_k(12) = [1, 1, 1, 2, 2, 2, 5, 5, 5, 10, 10, 10]
  real(c_double), parameter :: chi_x(12) = [3.841_c_double, 6.635_c_double, 10.828_c_double, &
                                            5.991_c_double, 9.210_c_double, 13.816_c_double, &
                                            11.070_c_double, 15.086_c_double, 20.515_c_double, &
                                            18.307_c_double, 23.209_c_double, 29.588_c_double]
  integer, parameter :: t_nu(8) = [1, 1, 5, 5, 10, 10, 30, 30]
  real(c_double), parameter :: t_t(8) = [12.706_c_double, 63.657_c_double, 2.571_c_double, &
                                         4.032_c_double, 2.228_c_double, 3.169_c_double, &
                                         2.042_c_double, 2.750_c_double]
  real(c_double) :: nu, t, w, p
  integer :: i

  print '(A)', 'Chi-square upper tail P(X > x) = varnel_cephes_d_igamc(k/2, x/2)'
  print '(A)', '   k        x                 P(X > x)               bits'
  do i = 1, size(chi_k)
    p = varnel_cephes_d_igamc(0.5_c_double * chi_k(i), 0.5_c_double * chi_x(i))
    print '(I4, 1X, F8.3, 3X, ES23.16, 3X, Z16.16)', chi_k(i), chi_x(i), p, transfer(p, 0_c_int64_t)
  end do

  print '(/, A)', 'Student t two-sided tail P(|T| > t) = varnel_cephes_d_ibeta(nu/2, 1/2, w), w = nu/(nu + t^2)'
  print '(A)', '  nu        t                        w               P(|T| > t)               bits'
  do i = 1, size(t_nu)
    nu = t_nu(i)
    t = t_t(i)
    w = nu / (nu + t * t)
    p = varnel_cephes_d_ibeta(0.5_c_double * nu, 0.5_c_double, w)
    print '(I4, 1X, F8.3, 3X, ES23.16, 3X, ES23.16, 3X, Z16.16)', t_nu(i), t, w, p, transfer(p, 0_c_int64_t)
  end do
end program tails
