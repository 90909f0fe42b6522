! Heat spreading along a rod, by explicit finite differences.
module rod_model
  use iso_fortran_env, only: dp => real64
  implicit none
  private
  public :: simulate

  real(dp), parameter :: ALPHA = 1.0e-4_dp   ! diffusivity
contains

  pure function step(u, r) result(v)
    real(dp), intent(in) :: u(:), r
    real(dp) :: v(size(u))
    integer :: i
    v = u
    do i = 2, size(u) - 1
      v(i) = u(i) + r * (u(i-1) - 2.0d0 * u(i) + u(i+1))
    end do
  end function step

  subroutine simulate(n, steps, u)
    integer, intent(in) :: n, steps
    real(dp), allocatable, intent(out) :: u(:)
    real(dp) :: dx, dt, r
    integer :: k
    allocate(u(n))
    u = 0.0_dp
    u(n/2) = 100.0_dp
    dx = 1.0_dp / real(n - 1, dp)
    dt = 0.4_dp * dx**2 / ALPHA
    r = ALPHA * dt / dx**2
    if (r > 0.5_dp .or. .not. allocated(u)) then
      print *, 'unstable: r = ', r
      stop 1
    end if
    do k = 1, steps
      u = step(u, r)
    end do
  end subroutine simulate
end module rod_model

program heat
  use rod_model
  implicit none
  real(8), allocatable :: u(:)
  character(len=*), parameter :: fmt = "(a, f8.3)"
  call simulate(51, 200, u)
  write(*, fmt) "peak: ", maxval(u)
  write(*, '(a)') 'It''s done; "quotes" stay'
end program heat
