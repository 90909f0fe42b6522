C     Tintext sample: fixed-form Fortran -- trapezoid rule with a table.
C     Columns 1-5 hold labels, column 6 marks a continued line.
*     A star in column 1 is a comment too,
!     and so is an exclamation mark.
      PROGRAM TRAPEZ
      IMPLICIT NONE
      INTEGER N, I, NSTEP(4)
      DOUBLE PRECISION A, B, H, S, EXACT, F
      CHARACTER*40 TITLE
      LOGICAL DONE
      EXTERNAL F
      DATA NSTEP /4, 16, 64, 256/
      PARAMETER (EXACT = 2.0D0)
      TITLE = 'Integral of sin(x) on [0, pi]'
      A = 0.0D0
      B = 4.0D0 * ATAN(1.0D0)
      DONE = .FALSE.
      WRITE (*, 100) TITLE
  100 FORMAT (1X, A40 /
     &        1X, '  Steps', 6X, 'Estimate', 9X, 'Error')
      DO 20 I = 1, 4
         N = NSTEP(I)
         H = (B - A) / N
         S = 0.5D0 * (F(A) + F(B))
         CALL ADDMID(A, H, N, S)
         S = S * H
         WRITE (*, 200) N, S,
     1                  ABS(S - EXACT)
   20 CONTINUE
  200 FORMAT (1X, I7, F17.10, E14.4)
      IF (.NOT. DONE .AND. N .GE. 256) THEN
         PRINT *, 'Don''t forget: the error falls as 1/N**2'  ! quartered
      ENDIF
      STOP
      END
c
c     The sum of F at the interior points, added to S.
c
      SUBROUTINE ADDMID(A, H, N, S)
      INTEGER N, K
      DOUBLE PRECISION A, H, S, F
      DO 10 K = 1, N - 1
         S = S + F(A + K*H)
   10 CONTINUE
      RETURN
      END

      DOUBLE PRECISION FUNCTION F(X)
      DOUBLE PRECISION X
      F = SIN(X)
      END
