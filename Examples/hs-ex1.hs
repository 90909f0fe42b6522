{-# LANGUAGE ScopedTypeVariables #-}
-- | A small library catalogue with a search by prefix.
module Main (main) where

import qualified Data.Map.Strict as Map
import Data.Char (toLower)
import Data.List (isPrefixOf, sortOn)

{- Block comments {- nest -} in Haskell,
   so this line is still a comment. -}

data Book = Book
  { title  :: String
  , author :: String
  , year   :: Int
  } deriving (Show, Eq)

type Catalogue = Map.Map String Book

-- | Build a catalogue keyed by lower-case title.
catalogue :: [Book] -> Catalogue
catalogue books = Map.fromList [ (map toLower (title b), b) | b <- books ]

search :: String -> Catalogue -> [Book]
search prefix = sortOn year . filter matches . Map.elems
  where
    matches b = map toLower prefix `isPrefixOf` map toLower (title b)

(-->) :: Int -> Int -> Int
a --> b = a * 10 + b

main :: IO ()
main = do
  let books = [ Book "Rivers" "A. Stone" 1999
              , Book "River Songs" "B. Lake" 0x7D0
              , Book "Mountains" "C. Peak" 1_987 ]
      cat' = catalogue books
  mapM_ (putStrLn . describe) (search "riv" cat')
  print (1 --> 2, 3.5e-2 :: Double, 'x', '\n', "tab\there \"quoted\"")
  where
    describe b = title b ++ " (" ++ show (year b) ++ ")" -- title and year
